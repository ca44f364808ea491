# What an install puts where, and the packages CPack builds from it: a zip
# for Windows, a .deb for Debian. The version comes from project() alone.

set(CPACK_PACKAGE_NAME brindlet)
set(CPACK_PACKAGE_VENDOR "The Brindlet developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  configure_file(packaging/brindlet_version.rc.in ${PROJECT_BINARY_DIR}/brindlet_version.rc @ONLY)
  target_sources(brindlet PRIVATE ${PROJECT_BINARY_DIR}/brindlet_version.rc)
  set_source_files_properties(${PROJECT_BINARY_DIR}/brindlet_version.rc PROPERTIES
    OBJECT_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/brindlet.ico)

  install(TARGETS brindlet RUNTIME DESTINATION .)
  install(FILES README.md DESTINATION . RENAME README.txt)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME brindlet-${PROJECT_VERSION}-windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  include(GNUInstallDirs)
  install(TARGETS brindlet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES packaging/brindlet.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/brindlet.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
  # The manual page, compressed as Debian compresses them: -n keeps the
  # name and time out of the archive, so the same page gives the same bytes.
  configure_file(packaging/brindlet.1.in ${PROJECT_BINARY_DIR}/brindlet.1 @ONLY)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/brindlet.1.gz
    COMMAND gzip -9n -c ${PROJECT_BINARY_DIR}/brindlet.1 > ${PROJECT_BINARY_DIR}/brindlet.1.gz
    DEPENDS ${PROJECT_BINARY_DIR}/brindlet.1)
  add_custom_target(brindlet_manual_page ALL DEPENDS ${PROJECT_BINARY_DIR}/brindlet.1.gz)
  install(FILES ${PROJECT_BINARY_DIR}/brindlet.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brindlet)
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brindlet RENAME copyright)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Brindlet developers <brindlet@localhost>")
  # Dependencies are read off the linked libraries, never written by hand.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)

# What an install puts where, and the packages CPack builds from it: a zip
# for Windows, a .deb for Debian; and the Windows installer. The version comes from project() alone.

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

  # The installer (cmake --build --preset windows --target installer): the
  # same files, put in place by an NSIS script, with the winget and Scoop
  # manifests for it and the zip. The zip is made here too, so that the
  # Scoop manifest's hash is that of the zip beside it.
  find_program(MAKENSIS makensis)
  set(BRINDLET_DOWNLOAD_URL "https://example.invalid/brindlet/releases/${PROJECT_VERSION}"
      CACHE STRING "A placeholder until releases have a home: the folder the package manifests download the installer and the zip from")
  set(INSTALLER_FILE ${CPACK_PACKAGE_DIRECTORY}/brindlet-${PROJECT_VERSION}-windows-x64-setup.exe)
  set(INSTALLER_PAYLOAD ${PROJECT_BINARY_DIR}/installer/brindlet_files.nsh)
  configure_file(packaging/brindlet_files.nsh.in ${INSTALLER_PAYLOAD} @ONLY)
  configure_file(packaging/brindlet.nsi.in ${PROJECT_BINARY_DIR}/installer/brindlet.nsi @ONLY)
  file(GLOB MANIFEST_TEMPLATES packaging/winget/*.in packaging/scoop/*.in)
  add_custom_command(OUTPUT ${INSTALLER_FILE}
    COMMAND ${CMAKE_STRIP} -o ${PROJECT_BINARY_DIR}/installer/brindlet.exe $<TARGET_FILE:brindlet>
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CPACK_PACKAGE_DIRECTORY}
    COMMAND ${MAKENSIS} -V2 ${PROJECT_BINARY_DIR}/installer/brindlet.nsi
    COMMAND ${CMAKE_CPACK_COMMAND} -G ZIP --config ${PROJECT_BINARY_DIR}/CPackConfig.cmake
    COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION} "-DDESCRIPTION=${PROJECT_DESCRIPTION}"
            -DURL=${BRINDLET_DOWNLOAD_URL}
            -DINSTALLER=${INSTALLER_FILE}
            -DZIP=${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip
            -DTEMPLATES=${PROJECT_SOURCE_DIR}/packaging -DOUT=${CPACK_PACKAGE_DIRECTORY}
            -P ${PROJECT_SOURCE_DIR}/cmake/package_manifests.cmake
    DEPENDS brindlet ${PROJECT_BINARY_DIR}/installer/brindlet.nsi ${INSTALLER_PAYLOAD}
            packaging/brindlet.ico README.md LICENSE ${MANIFEST_TEMPLATES}
            cmake/package_manifests.cmake
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    VERBATIM)
  add_custom_target(installer DEPENDS ${INSTALLER_FILE})
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
  # Dependencies are read off the linked libraries, and shlibdeps adds them
  # to this list. GTK is not among them: the program opens it only when a
  # dialog is due, and without it every dialog is a console prompt, which
  # no one starting it from a menu would see. 3.20 brought the native file
  # chooser it uses.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgtk-3-0 (>= 3.20)")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)

# Fills in the winget and Scoop manifests for one build: its version, the
# download addresses under URL and the SHA-256 of the installer and the zip.
# Usage: cmake -DVERSION=... -DDESCRIPTION=... -DURL=... -DINSTALLER=... -DZIP=...
#              -DTEMPLATES=packaging -DOUT=packages -P package_manifests.cmake
get_filename_component(INSTALLER_NAME ${INSTALLER} NAME)
get_filename_component(ZIP_NAME ${ZIP} NAME)
file(SHA256 ${INSTALLER} INSTALLER_SHA256)
file(SHA256 ${ZIP} ZIP_SHA256)
# winget writes hashes in upper case; Scoop takes them as they come.
string(TOUPPER ${INSTALLER_SHA256} INSTALLER_SHA256)
set(INSTALLER_URL ${URL}/${INSTALLER_NAME})
set(ZIP_URL ${URL}/${ZIP_NAME})

file(GLOB winget_templates ${TEMPLATES}/winget/*.in)
foreach(template ${winget_templates})
  get_filename_component(name ${template} NAME)
  string(REGEX REPLACE "\\.in$" "" name ${name})
  configure_file(${template} ${OUT}/winget/${name} @ONLY)
endforeach()
configure_file(${TEMPLATES}/scoop/brindlet.json.in ${OUT}/scoop/brindlet.json @ONLY)

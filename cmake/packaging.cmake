# `make release`: a portable zip and a per-user NSIS installer, both from the install rules
# below. The version comes from project(VERSION), like the program's own.
install(TARGETS tarquel RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
# The README links the user guide; ship it with its pictures so the links work offline.
install(FILES ${PROJECT_SOURCE_DIR}/docs/user-guide.md DESTINATION docs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION docs)

set(CPACK_PACKAGE_NAME "Tarquel")
set(CPACK_PACKAGE_VENDOR "Tarquel")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "tarquel-${PROJECT_VERSION}-win64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Tarquel")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_GENERATOR "ZIP;NSIS")
set(CPACK_STRIP_FILES ON)
# Our own NSIS script replaces CPack's stock one (which installs for all users as admin).
set(CPACK_MODULE_PATH "${PROJECT_SOURCE_DIR}/cmake/packaging")
set(CPACK_TARQUEL_ICON "${PROJECT_SOURCE_DIR}/resources/tarquel.ico")
set(CPACK_NSIS_EXECUTABLE "makensis")
# What scripts/package_manifests.py needs to write the winget and Scoop manifests after cpack
# (make release). A distributor sets where the release's files are published ({version} is
# replaced) and the home page; the defaults lie under the reserved .invalid domain, like the
# update check's, so that nothing unconfigured points at someone else's site.
set(TARQUEL_DOWNLOAD_URL "https://downloads.tarquel.invalid/{version}/" CACHE STRING
    "Folder the release's installer and zip are published in, for the package manifests")
set(TARQUEL_HOMEPAGE "https://tarquel.invalid/" CACHE STRING
    "Home page named by the package manifests")
foreach(url TARQUEL_DOWNLOAD_URL TARQUEL_HOMEPAGE)
  # Both end up in JSON and YAML strings: no quotes, backslashes, spaces or controls.
  if(NOT ${url} MATCHES "^[Hh][Tt][Tt][Pp][Ss]?://[]A-Za-z0-9._~:/?#@!$&'()*+,;=%{}[-]+$")
    message(FATAL_ERROR "${url} must be an absolute http or https address, got '${${url}}'")
  endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/cmake/packaging/release.json.in
               ${CMAKE_BINARY_DIR}/release.json @ONLY)

include(CPack)

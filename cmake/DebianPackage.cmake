# The Debian package (cpack -G DEB in the build folder): whatever the install rules install,
# under /usr, stripped, with the runtime dependencies dpkg-shlibdeps finds and the license as
# the package's copyright file; a one-entry changelog is made from the version at build time.
set(DEBIAN_PACKAGE_NAME varnel-trellup)
set(PACKAGE_MAINTAINER "VarnelTrellup developers <varnel-trellup@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${DEBIAN_PACKAGE_NAME} RENAME copyright)

if(GZIP_EXECUTABLE)
  set(changelog ${CMAKE_BINARY_DIR}/package/changelog)
  string(TIMESTAMP PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/package/changelog.in ${changelog} @ONLY)
  add_custom_command(OUTPUT ${changelog}.gz
    COMMAND ${GZIP_EXECUTABLE} -9nkf ${changelog} DEPENDS ${changelog} VERBATIM)
  add_custom_target(debian_changelog ALL DEPENDS ${changelog}.gz)
  install(FILES ${changelog}.gz DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${DEBIAN_PACKAGE_NAME})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${DEBIAN_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "packer and upload tools for a small embedded device")
set(CPACK_PACKAGE_DESCRIPTION
  "Command-line tools for developers of applications for a small embedded
device: Varnel appends a signed tag block to an application file, vxpinfo
shows the tags of a packed file and checks its signature, Trellup uploads a
packed application over a serial line, vxpdev lists, copies and checks the
device's files, and devsim simulates the device on a pseudo-terminal. A CMake
package lets application builds pack and upload as build steps.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

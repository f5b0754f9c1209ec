# Installation: the programs in bin, the public signing key in share/VarnelTrellup/, a man
# page and a bash completion per program, and the CMake package that application builds find
# with find_package(VarnelTrellup CONFIG). A program is installed only when its target is part
# of this build, so folders can join the build one by one.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)
include(${CMAKE_CURRENT_LIST_DIR}/ManPages.cmake)

set(PACKAGE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/${PROJECT_NAME})
set(PACKAGE_DATA_DIR ${CMAKE_INSTALL_DATADIR}/${PROJECT_NAME})
set(PUBLIC_KEY_FILE ${PACKAGE_DATA_DIR}/public.pem) # made relocatable by PATH_VARS below

# install_program(<target> <summary>): <summary> is the man page's one line after the name.
function(install_program program summary)
  if(NOT TARGET ${program})
    return()
  endif()
  install(TARGETS ${program} EXPORT ${PROJECT_NAME}Targets
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/completions/${program}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
  add_man_page(${program} "${summary}")
endfunction()

install_program(Varnel "append a signed tag block to a device application file")
install_program(vxpinfo "show the tags of a packed application file and check its signature")
install_program(Trellup "upload a packed application to the device over a serial line")
install_program(devsim "simulated device answering AT commands on a pseudo-terminal")
install_program(vxpdev "list, copy and check the device's files from the shell")
write_man_see_also()

install(FILES ${PROJECT_SOURCE_DIR}/packer/keys/public.pem DESTINATION ${PACKAGE_DATA_DIR})

install(EXPORT ${PROJECT_NAME}Targets NAMESPACE ${PROJECT_NAME}::
        DESTINATION ${PACKAGE_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/package/${PROJECT_NAME}Config.cmake.in
  ${CMAKE_BINARY_DIR}/package/${PROJECT_NAME}Config.cmake
  INSTALL_DESTINATION ${PACKAGE_CMAKE_DIR} PATH_VARS PUBLIC_KEY_FILE)
# The package holds programs of this computer: an application built for the device with a
# 32-bit cross toolchain uses them all the same.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/${PROJECT_NAME}ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES
  ${CMAKE_BINARY_DIR}/package/${PROJECT_NAME}Config.cmake
  ${CMAKE_BINARY_DIR}/package/${PROJECT_NAME}ConfigVersion.cmake
  ${CMAKE_CURRENT_LIST_DIR}/package/${PROJECT_NAME}Application.cmake
  DESTINATION ${PACKAGE_CMAKE_DIR})

include(${CMAKE_CURRENT_LIST_DIR}/DebianPackage.cmake)

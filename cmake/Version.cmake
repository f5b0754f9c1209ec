# The project's one version (project() above) as a generated header, ProjectVersion.h, for
# every program's --version: link the interface target project_version.
configure_file(${CMAKE_CURRENT_LIST_DIR}/ProjectVersion.h.in
               ${CMAKE_BINARY_DIR}/generated/ProjectVersion.h @ONLY)
add_library(project_version INTERFACE)
target_include_directories(project_version INTERFACE ${CMAKE_BINARY_DIR}/generated)

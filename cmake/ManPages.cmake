# Man pages made at build time by help2man from each program's --help, under the project's
# version (so a page never waits on the program's own --version). Without help2man or gzip
# the build goes on without them: a user build needs only the compiler, CMake and libraries.
find_program(HELP2MAN_EXECUTABLE help2man)
find_program(GZIP_EXECUTABLE gzip)
if(NOT HELP2MAN_EXECUTABLE OR NOT GZIP_EXECUTABLE)
  message(STATUS "help2man or gzip not found: no man pages")
endif()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man)

# add_man_page(<program target> <summary>) builds man/<program>.1.gz with the build and
# installs it in share/man/man1; its SEE ALSO comes from write_man_see_also().
function(add_man_page program summary)
  if(NOT HELP2MAN_EXECUTABLE OR NOT GZIP_EXECUTABLE)
    return()
  endif()
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${HELP2MAN_EXECUTABLE} --no-info --version-string=${PROJECT_VERSION}
            --name=${summary} --include=${page}.h2m --output=${page} $<TARGET_FILE:${program}>
    COMMAND ${GZIP_EXECUTABLE} -9nf ${page}
    DEPENDS ${program} ${page}.h2m
    COMMENT "Man page of ${program}" VERBATIM)
  add_custom_target(man_${program} ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set_property(GLOBAL APPEND PROPERTY MAN_PAGE_PROGRAMS ${program})
endfunction()

# write_man_see_also(), once every page is added: each page's SEE ALSO names the others.
function(write_man_see_also)
  get_property(programs GLOBAL PROPERTY MAN_PAGE_PROGRAMS)
  foreach(program IN LISTS programs)
    set(others ${programs})
    list(REMOVE_ITEM others ${program})
    list(TRANSFORM others PREPEND ".BR ")
    list(TRANSFORM others APPEND " (1)")
    list(JOIN others ",\n" references)
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/man/${program}.1.h2m
         CONTENT "[see also]\n${references}\n")
  endforeach()
endfunction()

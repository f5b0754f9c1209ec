# discover_labelled_tests(<target> LABELS <label>... [DISCOVERY <gtest_discover_tests args>...])
# gtest_discover_tests keeps only the first element of a LABELS list, so every label is set
# once the discovered test names are known (the discovery script leaves them in <target>_TESTS).
# A target labelled "threads" is also a dependency of thread_tests, which builds just what the
# ThreadSanitizer run needs.
add_custom_target(thread_tests)
function(discover_labelled_tests target)
  cmake_parse_arguments(ARG "" "" "LABELS;DISCOVERY" ${ARGN})
  if("threads" IN_LIST ARG_LABELS)
    add_dependencies(thread_tests ${target})
  endif()
  gtest_discover_tests(${target} NO_PRETTY_VALUES ${ARG_DISCOVERY})
  string(JOIN ";" labels ${ARG_LABELS})
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_labels.cmake)
  file(WRITE ${script} "foreach(test IN LISTS ${target}_TESTS)
  set_tests_properties(\"\${test}\" PROPERTIES LABELS \"${labels}\")
endforeach()
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

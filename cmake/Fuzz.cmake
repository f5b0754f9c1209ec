# libFuzzer targets. add_fuzz_target(<name> SOURCES ... LIBS ...) builds bin/fuzz_<name> in a
# clang build configured with -DBUILD_FUZZERS=ON; its seed corpus (and every crash input kept
# as a regression case) lives in <folder>/fuzz/corpus/<name>/. `cmake --build B --target
# fuzzers` builds them all; scripts/fuzz.sh runs each for a bounded time.
add_custom_target(fuzzers)
if(BUILD_FUZZERS)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "BUILD_FUZZERS needs clang: configure with CC=clang CXX=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -g)
  add_link_options(-fsanitize=address,undefined)
endif()

function(add_fuzz_target name)
  cmake_parse_arguments(FUZZ "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT BUILD_FUZZERS)
    return()
  endif()
  add_executable(fuzz_${name} ${FUZZ_SOURCES})
  target_link_libraries(fuzz_${name} PRIVATE ${FUZZ_LIBS})
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(fuzz_${name} PROPERTIES EXCLUDE_FROM_ALL ON)
  add_dependencies(fuzzers fuzz_${name})
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz/${name}.corpus ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${name})
endfunction()

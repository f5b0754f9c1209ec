# Sanitizer builds: SANITIZE=asan gives AddressSanitizer with UndefinedBehaviorSanitizer,
# SANITIZE=tsan gives ThreadSanitizer. A report ends the process with a failure.
if(SANITIZE STREQUAL "asan")
  set(sanitizer_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
elseif(SANITIZE STREQUAL "tsan")
  set(sanitizer_flags -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT SANITIZE STREQUAL "")
  message(FATAL_ERROR "SANITIZE must be empty, 'asan' or 'tsan', not '${SANITIZE}'")
endif()
if(sanitizer_flags)
  # -O1 after the build type's level: the instrumented code is still fast enough to run, and
  # the table-heavy test files compile in less than half the time they take at -O3.
  add_compile_options(${sanitizer_flags} -g -O1)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC's flow analysis under the sanitizers' instrumentation reports uninitialised reads
    # inside the standard library (<regex>, std::function) that the plain build does not.
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
  add_link_options(${sanitizer_flags})
endif()

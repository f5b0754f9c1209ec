# mbed TLS as one imported target, MbedTLS::mbedcrypto. Debian's 2.28 ships no CMake
# package, so the header and the library are looked up directly.
find_path(MBEDTLS_INCLUDE_DIR mbedtls/rsa.h)
find_library(MBEDCRYPTO_LIBRARY mbedcrypto)
if(NOT MBEDTLS_INCLUDE_DIR OR NOT MBEDCRYPTO_LIBRARY)
  message(FATAL_ERROR
    "mbed TLS was not found (need mbedtls/rsa.h and libmbedcrypto). "
    "On Debian or Ubuntu install it with: apt-get install libmbedtls-dev")
endif()
add_library(MbedTLS::mbedcrypto UNKNOWN IMPORTED)
set_target_properties(MbedTLS::mbedcrypto PROPERTIES
  IMPORTED_LOCATION ${MBEDCRYPTO_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${MBEDTLS_INCLUDE_DIR})

# Functions for application builds, loaded by find_package(VarnelTrellup CONFIG):
# varnel_add_pack_step packs an application file with Varnel after its target is built, and
# trellup_add_upload_target uploads a packed file with Trellup to the port set at configure time.
set(TRELLUP_PORT "" CACHE STRING
  "Serial device the upload targets use: a name under /dev/ (ttyUSB0, pts/3)")

# varnel_add_pack_step(<target> PARAM_INI <file> OUTPUT <file> [INPUT <file>])
# After <target> is built, packs INPUT (by default the target's own file) with PARAM_INI into
# OUTPUT; INPUT stays as it was built. A relative PARAM_INI is taken from the current source
# folder, a relative OUTPUT or INPUT from the current binary folder. A changed PARAM_INI relinks
# an executable or library target, so its file is packed again.
function(varnel_add_pack_step target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "PARAM_INI;OUTPUT;INPUT" "")
  if(NOT ARG_PARAM_INI OR NOT ARG_OUTPUT OR ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR
      "usage: varnel_add_pack_step(<target> PARAM_INI <file> OUTPUT <file> [INPUT <file>])")
  endif()
  get_filename_component(param_ini ${ARG_PARAM_INI} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(output ${ARG_OUTPUT} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_BINARY_DIR})
  if(ARG_INPUT)
    get_filename_component(input ${ARG_INPUT} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_BINARY_DIR})
  else()
    set(input $<TARGET_FILE:${target}>)
  endif()
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "UTILITY")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${param_ini})
  endif()
  # Varnel writes OUTPUT whole or not at all (a temporary file beside it, then a rename).
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND VarnelTrellup::Varnel -c ${param_ini} -o ${output} -i ${input}
    COMMENT "Packing ${output}" VERBATIM)
endfunction()

# trellup_add_upload_target(<name> FILE <packed file> [PORT <port>] [DEPENDS <target>...])
# A target <name>, not part of "all", that uploads FILE with Trellup and makes the device start
# it, after building the DEPENDS targets. PORT defaults to the cache variable TRELLUP_PORT
# (cmake -DTRELLUP_PORT=ttyUSB0); without a port the target fails saying how to give one.
function(trellup_add_upload_target name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "FILE;PORT" "DEPENDS")
  if(NOT ARG_FILE OR ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR
      "usage: trellup_add_upload_target(<name> FILE <file> [PORT <port>] [DEPENDS <target>...])")
  endif()
  get_filename_component(file ${ARG_FILE} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_BINARY_DIR})
  if(NOT ARG_PORT)
    set(ARG_PORT "${TRELLUP_PORT}")
  endif()
  if(ARG_PORT)
    add_custom_target(${name}
      COMMAND VarnelTrellup::Trellup -p ${file} -b ${ARG_PORT}
      COMMENT "Uploading ${file} to ${ARG_PORT}" VERBATIM)
  else()
    add_custom_target(${name}
      COMMAND ${CMAKE_COMMAND} -E echo "${name}: no port; configure with -DTRELLUP_PORT=ttyUSB0"
      COMMAND ${CMAKE_COMMAND} -E false VERBATIM)
  endif()
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
endfunction()

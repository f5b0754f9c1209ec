# The build step of varnel_add_pack_step, run as cmake -DVARNEL=... -DPARAM_INI=... -DINPUT=...
# -DOUTPUT=... -P: packs INPUT with PARAM_INI into OUTPUT and leaves INPUT as it was built.
foreach(var VARNEL PARAM_INI INPUT OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "pack step: ${var} is not set")
  endif()
endforeach()
foreach(file ${PARAM_INI} ${INPUT})
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "pack step: ${file} does not exist")
  endif()
endforeach()

function(run_varnel)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    if(DEFINED work)
      file(REMOVE_RECURSE ${work})
    endif()
    message(FATAL_ERROR "Varnel could not pack ${INPUT} into ${OUTPUT} (exit status ${status})")
  endif()
endfunction()

execute_process(COMMAND ${VARNEL} --help OUTPUT_VARIABLE help RESULT_VARIABLE status
                ERROR_QUIET)
set(word_end "([^A-Za-z0-9-]|$)")
if(status EQUAL 0 AND help MATCHES "[^-]-c${word_end}" AND help MATCHES "[^-]-o${word_end}")
  run_varnel(${VARNEL} -c ${PARAM_INI} -o ${OUTPUT} -i ${INPUT})
  return()
endif()

# A Varnel without -c and -o reads param.ini beside the path it was started by, and packs in
# place with a rename by application type: start it through a link in a folder of the step's
# own, beside copies of param.ini and of the input, then move the packed file to OUTPUT.
set(work ${OUTPUT}.packing)
get_filename_component(name ${OUTPUT} NAME)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
file(CREATE_LINK ${VARNEL} ${work}/Varnel SYMBOLIC)
configure_file(${PARAM_INI} ${work}/param.ini COPYONLY)
configure_file(${INPUT} ${work}/${name} COPYONLY)
run_varnel(${work}/Varnel -i ${work}/${name})
file(GLOB packed LIST_DIRECTORIES false ${work}/*)
list(FILTER packed EXCLUDE REGEX "/(Varnel|param\\.ini|[^/]*\\.dbg)$")
file(RENAME ${packed} ${OUTPUT})
file(REMOVE_RECURSE ${work})

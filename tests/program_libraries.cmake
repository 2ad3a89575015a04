# Fails when the program itself needs a library that only a module should
# bring (libedit and its terminal database, Qt), or when the line editor
# module (EDIT_MODULE, when built) does not bring libedit or needs the C++
# run-time that the program keeps to itself.
function(needed file out)
  execute_process(COMMAND ${READELF} -d ${file} OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${READELF} -d ${file} failed")
  endif()
  string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]]*\\]" lines "${dynamic}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

needed(${PROGRAM} program)
if(program MATCHES "libedit|libtinfo|libbsd|libQt")
  message(FATAL_ERROR "${PROGRAM} needs what its modules should bring:\n${program}")
endif()
if(EDIT_MODULE)
  needed(${EDIT_MODULE} module)
  if(NOT module MATCHES "libedit" OR module MATCHES "libstdc\\+\\+")
    message(FATAL_ERROR "${EDIT_MODULE} should need libedit and no C++ run-time:\n${module}")
  endif()
endif()

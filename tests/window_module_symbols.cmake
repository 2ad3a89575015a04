# Fails when the window module (MODULE) holds a core of its own, or needs a
# symbol of the core that the program (PROGRAM) does not export: the module
# takes the core from the program, and a missing symbol would otherwise only
# show when the window opens.
function(dynamic_symbols file out)
  execute_process(COMMAND ${READELF} --dyn-syms -W ${file} OUTPUT_VARIABLE text RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${READELF} --dyn-syms ${file} failed")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

dynamic_symbols(${MODULE} module)
dynamic_symbols(${PROGRAM} program)
string(REGEX MATCHALL "UND _Z(N|NK|TVN|TIN|TSN)4zemu[^ \n@]*" wanted "${module}")
if(NOT wanted)
  message(FATAL_ERROR "${MODULE} takes nothing of the core from the program")
endif()
set(missing "")
foreach(entry IN LISTS wanted)
  string(SUBSTRING "${entry}" 4 -1 name)
  string(FIND "${program}" " ${name}\n" at)
  if(at EQUAL -1)
    string(APPEND missing "  ${name}\n")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "${PROGRAM} does not export what ${MODULE} needs:\n${missing}")
endif()

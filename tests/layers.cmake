# Fails when a file under src/ includes a header of a folder above its own.
# The folders stand in layers, from the bottom up; a folder may include
# itself and the folders below it. Folders on one floor (the front ends)
# include none of each other. A lower layer that must call up declares an
# interface that the higher one fills in.
set(layers
  "base"         # bytes, Shift-JIS, scanning, values and their formatting
  "platform"     # files and modules on disk
  "cache"        # the speed caches of the store and the evaluator
  "host"         # the context record, the toolkit and observer contracts, output, the guard
  "definitions"  # the definition sheets' rows and what a definition's text says
  "engine"       # the formula evaluator, units, built-ins, definition values
  "commands"     # the statement dispatcher and the commands
  "sheet"        # definition files, sheet operations, the initial file
  "console"      # the console window's logic, start-up, the calculator
  "options"      # the options dialog's model
  "tty|gui|tools"  # the front ends and tools
  "main.cpp")    # the program
set(rank 0)
foreach(floor IN LISTS layers)
  string(REPLACE "|" ";" names "${floor}")
  foreach(name IN LISTS names)
    set(rank_${name} ${rank})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}/src
     ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.inc)
set(offenders "")
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" folder "${source}")
  if(NOT DEFINED rank_${folder})
    list(APPEND offenders "${source}: folder ${folder} has no layer")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/src/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" path "${line}")
    if(NOT path MATCHES "/")
      continue()  # a file beside the includer
    endif()
    string(REGEX MATCH "^[^/]+" target "${path}")
    if(NOT DEFINED rank_${target})
      continue()  # not a folder of src/ (a tests/ or fuzz/ path, say)
    endif()
    if(target STREQUAL folder)
      continue()
    endif()
    if(NOT rank_${target} LESS rank_${folder})
      list(APPEND offenders "${source} includes ${path}")
    endif()
  endforeach()
endforeach()
if(offenders)
  list(JOIN offenders "\n  " text)
  message(FATAL_ERROR "Includes that go up a layer or sideways:\n  ${text}")
endif()

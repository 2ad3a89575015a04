# The tuning of the program users start, all in one place: only the Release
# program gets it, and only outside the sanitizer and fuzz builds. The tests'
# own code, the benchmark programs' own code, the window and the tools are
# built plainly. Each item names the row of scripts/bench that it is for; the
# run-time items (the heap, the store at exit) are compiled into
# src/main.cpp under ZEMU_TUNED, which only this function defines.
#
# zemu_tune_release_program(PROGRAM LIBRARY...) tunes the program target and
# the static libraries its hot code comes from.
function(zemu_tune_release_program program)
  if(NOT CMAKE_BUILD_TYPE STREQUAL "Release" OR ZEMU_SANITIZE OR ZEMU_FUZZ)
    return()
  endif()
  message(STATUS "Tuning the Release program ${program}")

  # Rows loop and fib: functions start on a cache line and loops on a 32-byte
  # fetch block. Where the evaluator's hot code lands otherwise moves with
  # unrelated changes, and on the machines we measure on that alone swung the
  # loop row by a fifth either way. The hot code is in the libraries, so they
  # are aligned too; a Release tree's benchmark programs link the same
  # objects and so time the code as the program runs it.
  foreach(target IN ITEMS ${program} ${ARGN})
    target_compile_options(${target} PRIVATE -falign-functions=64 -falign-loops=32)
  endforeach()

  # Row startup: the program takes the C++ run-time in and is not relocated
  # at load, which halves what the loader does before main; its code and
  # read-only data share segments, so that fewer are mapped. (The window
  # module links the shared run-time, as Qt does, and calls the core in the
  # program, which runs on the program's copy: the core keeps no stream,
  # locale or other state of the run-time that the window would share.)
  target_link_options(${program} PRIVATE -no-pie -static-libstdc++ -static-libgcc
                      -Wl,-z,noseparate-code)

  # Row sheet100000: the heap grown ahead in large pages, and the store left
  # to the system at exit (src/main.cpp).
  target_compile_definitions(${program} PRIVATE ZEMU_TUNED=1)
endfunction()

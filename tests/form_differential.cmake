# Replays the inputs of a fuzz target twice, with every speed cache on and
# with the plain-number trees, the kept statement analyses and the
# assignments in place off (ZEMU_CACHES=form,analyses,assign), and fails unless
# both runs leave the same console text, byte for byte. Window events come
# after a fixed count of guard checks (ZEMU_FUZZ_STEADY), so that an endless
# input stops at the same point in both runs. Made equal before the
# comparison: the scratch folder's random name, and the free stack space that
# the system trace shows (where the stack begins varies from run to run; the
# space used since the start, shown beside it, is compared), also where the
# console's cap cut such a line and only its end is left.
#   cmake -DREPLAY=fuzz_replay -DTARGET=statements -DINPUTS="dir|dir"
#         -DOUT=folder -P form_differential.cmake
string(REPLACE "|" ";" inputs "${INPUTS}")
file(MAKE_DIRECTORY "${OUT}")
foreach(run on plain)
  set(caches on)
  if(run STREQUAL "plain")
    set(caches "form,analyses,assign")
  endif()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env ZEMU_CACHES=${caches} ZEMU_FUZZ_SHOW=1 ZEMU_FUZZ_STEADY=1
            ${REPLAY} ${TARGET} ${inputs}
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_FILE "${OUT}/${TARGET}.${run}.raw")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${TARGET} with ZEMU_CACHES=${caches}: the replay failed (${status})")
  endif()
  file(READ "${OUT}/${TARGET}.${run}.raw" text)
  string(REGEX REPLACE "zemu-fuzz-[A-Za-z0-9_]+" "zemu-fuzz-X" text "${text}")
  string(REGEX REPLACE "STACK: [0-9A-F]+ " "STACK: free " text "${text}")
  string(REGEX REPLACE "\n[0-9A-F]+ ([0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F]\r?\n)"
                       "\nfree \\1" text "${text}")
  file(WRITE "${OUT}/${TARGET}.${run}.txt" "${text}")
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUT}/${TARGET}.on.txt"
                        "${OUT}/${TARGET}.plain.txt" RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${TARGET}: the console texts differ: diff ${OUT}/${TARGET}.on.txt "
                      "${OUT}/${TARGET}.plain.txt")
endif()

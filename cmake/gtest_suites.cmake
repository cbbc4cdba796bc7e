# Run after a test program is built: lists its test suites and writes OUT, a ctest file with one
# test per suite, named PREFIX.SUITE, running the program with --gtest_filter=SUITE.*. A suite's tests
# share one process: each process start costs more than most tests (a program that links the window
# and sound libraries maps some fifty of them), and a suite's tests belong together anyway. A suite
# passes when each of its tests passes or is skipped (a skip says why in the output).
#
# Variables: EXE (the test program), PREFIX, WORKDIR, LABEL, ENVIRONMENT (one NAME=VALUE), OUT.
execute_process(COMMAND "${EXE}" --gtest_list_tests RESULT_VARIABLE status OUTPUT_VARIABLE listing
                ERROR_VARIABLE errors TIMEOUT 60)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${EXE} --gtest_list_tests failed (${status}): ${errors}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(text "")
set(count 0)
foreach(line IN LISTS lines)
  # A suite's line starts at the left margin and ends its name with a dot (a comment may follow);
  # the tests' lines are indented.
  if(line MATCHES "^([A-Za-z_][A-Za-z0-9_/]*)\\.( |$)")
    set(suite "${CMAKE_MATCH_1}")
    string(APPEND text "add_test([=[${PREFIX}.${suite}]=] [=[${EXE}]=] [=[--gtest_filter=${suite}.*]=])\n")
    string(APPEND text "set_tests_properties([=[${PREFIX}.${suite}]=] PROPERTIES WORKING_DIRECTORY [=[${WORKDIR}]=] "
                       "LABELS ${LABEL} ENVIRONMENT [=[${ENVIRONMENT}]=])\n")
    math(EXPR count "${count} + 1")
  endif()
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "${EXE} lists no test suites")
endif()
file(WRITE "${OUT}" "${text}")

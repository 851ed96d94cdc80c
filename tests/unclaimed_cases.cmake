# cmake -DPROGRAM=executable -DCASES=filter -P unclaimed_cases.cmake fails when
# the executable, which holds several test programs, has a test case outside
# CASES (the --gtest_filter patterns of its programs): no pass would run it.
execute_process(COMMAND ${PROGRAM} --gtest_list_tests --gtest_filter=-${CASES}
    OUTPUT_VARIABLE listed RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${PROGRAM} --gtest_list_tests failed: ${failed}")
endif()
string(REGEX MATCH "\n  [^\n]+" unclaimed "${listed}")
if(unclaimed)
    message(FATAL_ERROR "${PROGRAM} holds cases that no test program runs:\n${listed}")
endif()

# cmake -DFUZZER=program -DCORPUS="dir|dir..." -DWORK=dir -DSECONDS=n -P fuzz_run.cmake
# runs a libFuzzer target for n seconds over a copy of the seed corpora (the
# fuzzer adds what it finds to its first corpus, which must not be the
# source tree). Every seed runs first, so an input kept from an old crash
# fails the test on its own.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/crashes)
string(REPLACE "|" ";" corpora "${CORPUS}")
foreach(dir ${corpora})
    file(GLOB seeds ${dir}/*)
    if(NOT seeds)
        message(FATAL_ERROR "no seeds in ${dir}")
    endif()
    file(COPY ${seeds} DESTINATION ${WORK}/corpus)
endforeach()
execute_process(COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
    -print_final_stats=1 -print_funcs=0 -artifact_prefix=${WORK}/crashes/ ${WORK}/corpus RESULT_VARIABLE failed)
if(failed)
    file(GLOB crashes ${WORK}/crashes/*)
    message(FATAL_ERROR "${FUZZER} failed (${failed}) on ${crashes}: keep the input in the "
                        "target's seed folder under a name that says what it broke, fix the "
                        "fault and add a unit test for it")
endif()

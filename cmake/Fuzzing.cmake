# libFuzzer targets (tests/*/fuzz/): each compiles the readers it drives with
# the fuzzer's coverage and links the rest of their libraries as they are, so
# no library and no other test pays for the instrumentation. The sanitizer
# preset turns this on, and CTest runs each for a bounded time (label fuzz).
option(OMBRIX_FUZZ "Build the libFuzzer targets (clang only)" OFF)
set(OMBRIX_FUZZ_SECONDS 15 CACHE STRING "How long CTest runs each fuzzer")
if(OMBRIX_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "OMBRIX_FUZZ needs clang (libFuzzer)")
    endif()
    include(CheckCXXSourceCompiles)
    set(CMAKE_REQUIRED_FLAGS -fsanitize=fuzzer)
    set(CMAKE_REQUIRED_LINK_OPTIONS -fsanitize=fuzzer)
    check_cxx_source_compiles(
        "extern \"C\" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }"
        OMBRIX_HAVE_LIBFUZZER)
    unset(CMAKE_REQUIRED_FLAGS)
    unset(CMAKE_REQUIRED_LINK_OPTIONS)
    if(NOT OMBRIX_HAVE_LIBFUZZER)
        message(FATAL_ERROR "clang cannot link -fsanitize=fuzzer: libFuzzer's runtime comes "
                            "with libclang-rt-14-dev (scripts/install-deps installs it)")
    endif()
endif()

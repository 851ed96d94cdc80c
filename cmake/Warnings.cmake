# Warnings apply to our own targets only, never to third-party headers.
function(ombrix_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wnon-virtual-dtor
                                             -Wimplicit-fallthrough)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE -Wshadow=local)
    else()
        target_compile_options(${target} PRIVATE -Wshadow)
    endif()
    if(OMBRIX_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

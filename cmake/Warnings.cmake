# Warnings apply to our own targets only, never to third-party headers.
function(ombrix_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow=local
                                             -Wnon-virtual-dtor -Wimplicit-fallthrough)
    if(OMBRIX_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

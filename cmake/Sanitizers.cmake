# One switch builds every target (libraries, program, tests, benchmarks) with
# AddressSanitizer and UndefinedBehaviorSanitizer.
option(OMBRIX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(OMBRIX_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

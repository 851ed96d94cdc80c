# One switch builds every target (libraries, program, tests, benchmarks) with
# AddressSanitizer and UndefinedBehaviorSanitizer; another with ThreadSanitizer.
# The two cannot be combined in one build.
option(OMBRIX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(OMBRIX_SANITIZE_THREAD "Build with ThreadSanitizer" OFF)
if(OMBRIX_SANITIZE AND OMBRIX_SANITIZE_THREAD)
    message(FATAL_ERROR "OMBRIX_SANITIZE and OMBRIX_SANITIZE_THREAD exclude each other")
endif()
if(OMBRIX_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
if(OMBRIX_SANITIZE_THREAD)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

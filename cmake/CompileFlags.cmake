# Warnings for every target of the project. CI adds -Werror through TAVREL_WERROR.
option(TAVREL_WERROR "Treat compiler warnings as errors" OFF)
option(TAVREL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_compile_options(-Wall -Wextra)
if(TAVREL_WERROR)
    add_compile_options(-Werror)
endif()
if(TAVREL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# The libFuzzer harnesses of fuzz/: the project's own code is built with coverage feedback and both
# sanitizers, so every harness checks the code the game ships. Clang only, in a build folder of
# its own (./tavrel fuzz makes build-fuzz/).
option(TAVREL_FUZZ "Build the libFuzzer harnesses in fuzz/ (needs clang)" OFF)
if(TAVREL_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "TAVREL_FUZZ needs clang (libFuzzer): CXX=clang++-14 cmake -DTAVREL_FUZZ=ON ...")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

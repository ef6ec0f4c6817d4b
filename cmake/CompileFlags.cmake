# Warnings for every target of the project. CI adds -Werror through TAVREL_WERROR.
option(TAVREL_WERROR "Treat compiler warnings as errors" OFF)
option(TAVREL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

# -Wshadow:             a local that hides a module global (the client has many) is a bug waiting
# -Wconversion, -Wsign-conversion: sizes, pixels and wire numbers cross int, size_t and float
#                       often; every narrowing is written out where it is meant
# -Wdouble-promotion:   positions are floats on purpose; a silent double is a precision surprise
# -Wformat=2:           printf-style reporting everywhere, with non-literal formats refused
# -Wundef:              a misspelt macro in an #if is an error, not a quiet 0
# No warning is switched off in the plain build; the sanitized build turns one off (below).
add_compile_options(-Wall -Wextra -Wshadow -Wconversion -Wsign-conversion -Wdouble-promotion -Wformat=2
                    -Wundef)
if(TAVREL_WERROR)
    add_compile_options(-Werror)
endif()
if(TAVREL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    # GCC 12's flow analysis under the sanitizers' instrumentation reports libstdc++'s own
    # std::regex internals as "maybe uninitialized" (in std::function's move); the plain build
    # keeps the warning, as an error, for our code.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        add_compile_options(-Wno-maybe-uninitialized)
    endif()
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

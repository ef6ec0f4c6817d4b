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

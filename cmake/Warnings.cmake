# Our own targets link q3_warnings privately; third-party code is never compiled with it.
add_library(q3_warnings INTERFACE)
target_compile_options(q3_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
# GCC 12 reports impossible overlaps inside std::string concatenation at -O2 and above
# (a known false positive of its restrict analysis); the check finds nothing real in our code.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(q3_warnings INTERFACE -Wno-restrict)
endif()
if(Q3_WERROR)
    target_compile_options(q3_warnings INTERFACE -Werror)
endif()

if(Q3_SANITIZE)
    add_compile_options(-fsanitize=${Q3_SANITIZE} -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=${Q3_SANITIZE})
    if(Q3_SANITIZE MATCHES "undefined")
        add_compile_options(-fno-sanitize-recover=undefined)
    endif()
endif()

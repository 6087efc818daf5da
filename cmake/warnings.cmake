# Every target of the project compiles without a warning, on both builds.
# -Wformat=2 checks every format the code prints with, also those passed on
# through a va_list (a text that is not a literal cannot be a format);
# -Wshadow keeps a name from hiding another one in an outer scope.
function(ovwin_strict_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /WX)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wformat=2 -Wshadow -Werror)
    endif()
endfunction()

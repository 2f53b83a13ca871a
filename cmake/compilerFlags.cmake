# Warnings, static linking for Windows, sanitizers for the native build.
add_compile_options(-Wall -Wextra -Werror)

if(WIN32)
    # Unicode entry points throughout; no min/max macros; only what windows.h needs.
    add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
    # One self-contained binary: no MinGW runtime DLLs beside it.
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()

if(VELTRIM_SANITIZE AND NOT WIN32)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

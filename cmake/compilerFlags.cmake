# Warnings, static linking for Windows, sanitizers for the native build.
add_compile_options(-Wall -Wextra -Werror)

if(WIN32)
    # Unicode entry points throughout; no min/max macros; only what windows.h needs.
    add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
    # One self-contained binary: no MinGW runtime DLLs beside it.
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()

if((VELTRIM_SANITIZE OR VELTRIM_FUZZ) AND NOT WIN32)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

if(VELTRIM_FUZZ AND NOT WIN32)
    # Coverage for libFuzzer in every library; the fuzz programs add the fuzzer's own main.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

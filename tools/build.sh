#!/usr/bin/env bash
# Configures and builds one or more of the builds under build/:
#   native       g++, optimised (the driver and the benchmarks)
#   native-asan  g++ with AddressSanitizer and UndefinedBehaviorSanitizer (the native tests)
#   x64, x86     MinGW-w64 cross builds (Windows binaries; x64 tests run under Wine)
#   fuzz         clang-14 with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer: the fuzz targets and
#                the replay of their corpora (no test programs)
# Usage: tools/build.sh [native|native-asan|x64|x86|fuzz ...]   (default: native)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
[ $# -gt 0 ] || set -- native
for build in "$@"; do
    case "$build" in
    native) args=(-DCMAKE_BUILD_TYPE=Release) ;;
    native-asan) args=(-DCMAKE_BUILD_TYPE=Debug -DVELTRIM_SANITIZE=ON) ;;
    x64) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-x64.cmake") ;;
    x86) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-x86.cmake") ;;
    fuzz) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
                -DVELTRIM_FUZZ=ON -DVELTRIM_TESTS=OFF) ;;
    *) echo "unknown build: $build" >&2; exit 2 ;;
    esac
    cmake -S "$top" -B "$top/build/$build" -G Ninja "${args[@]}" >/dev/null
    ninja -C "$top/build/$build"
done

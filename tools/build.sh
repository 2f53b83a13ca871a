#!/usr/bin/env bash
# Configures and builds one or more of the three builds under build/:
#   native       g++, optimised (the driver and the benchmarks)
#   native-asan  g++ with AddressSanitizer and UndefinedBehaviorSanitizer (the native tests)
#   x64, x86     MinGW-w64 cross builds (Windows binaries; x64 tests run under Wine)
# Usage: tools/build.sh [native|native-asan|x64|x86 ...]   (default: native)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
[ $# -gt 0 ] || set -- native
for build in "$@"; do
    case "$build" in
    native) args=(-DCMAKE_BUILD_TYPE=Release) ;;
    native-asan) args=(-DCMAKE_BUILD_TYPE=Debug -DVELTRIM_SANITIZE=ON) ;;
    x64) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-x64.cmake") ;;
    x86) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-x86.cmake") ;;
    *) echo "unknown build: $build" >&2; exit 2 ;;
    esac
    cmake -S "$top" -B "$top/build/$build" -G Ninja "${args[@]}" >/dev/null
    ninja -C "$top/build/$build"
done

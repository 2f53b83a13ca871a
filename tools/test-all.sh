#!/usr/bin/env bash
# Builds everything and runs every test: the native tests under the sanitizers, the fuzz targets over their corpora,
# the Windows x64 tests under Wine, and the static checks of the x86 build (which cannot run here).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/build.sh" native native-asan x64 x86 fuzz
"$top/tools/check-static.sh"
(cd "$top/build/native-asan" && ctest --output-on-failure -j 8)
(cd "$top/build/fuzz" && ctest --output-on-failure)
# ctest prints its own summary for each run; the Windows run comes last.
(cd "$top/build/x64" && ctest --output-on-failure -j 4)

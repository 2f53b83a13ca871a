#!/usr/bin/env bash
# Installs what is needed, builds the native driver and converts the bundled sample document's equations,
# printing the statistics. The output goes to build/sample_converted.rtf; the sample itself is not changed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/install-deps.sh"
"$top/tools/build.sh" native >/dev/null
"$top/build/native/tools/veltrimConvert" "$@" "$top/samples/sample.rtf" "$top/build/sample_converted.rtf"
echo "Output: $top/build/sample_converted.rtf"

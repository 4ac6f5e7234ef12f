#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OKULON_BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600

#!/usr/bin/env bash
# Installs what is missing, builds Okulon and starts it. Arguments go to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OKULON_BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
OKULON_TARGETS=okulon "$root/scripts/build.sh"
exec "$build/app/okulon" "$@"

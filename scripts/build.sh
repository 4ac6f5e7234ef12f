#!/usr/bin/env bash
# Configures and builds Okulon into build/ (or $OKULON_BUILD_DIR). Extra arguments go to cmake.
# OKULON_TARGETS (blank-separated) limits the build to those targets.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OKULON_BUILD_DIR:-$root/build}

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" "$@" >/dev/null
targets=()
for t in ${OKULON_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"

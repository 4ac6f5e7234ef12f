#!/usr/bin/env bash
# Installs what is missing, builds Okulon and starts it.
#
# The windows are not built yet, so for now this runs the engine on the
# bundled demo (a synthetic eye that blinks) through okulon-replay and prints
# the key presses it decides. With arguments, it starts the headless okulon
# program with them instead (profile, -parameters=..., -dump_default_language).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OKULON_BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
OKULON_TARGETS="okulon okulon-replay okulon-demo" "$root/scripts/build.sh"

if [ $# -gt 0 ]; then
  exec "$build/app/okulon" "$@"
fi

out="$build/demo/replay.jsonl"
"$build/tools/replay/okulon-replay" --profile "$root/demo/okulon.ini" --events "$root/demo/events.txt" \
  "$build/demo/frames" > "$out"
echo
echo "Okulon on the demo: $(wc -l < "$out") frames of a synthetic eye (frames in $build/demo/frames)."
echo "Key messages sent to the receiving program (256 = key down, 257 = key up; key 32 = space):"
sed -n 's/^{"frame": \([0-9]*\), "mode": "\([a-z]*\)".*"keys": \(\[\[[^"]*\]\]\).*/  frame \1 (\2): \3/p' "$out"
echo "Every frame's result is in $out."

#!/usr/bin/env bash
# Runs a command with a display of its own: an Xvfb server on a display number it picks
# itself (free at that moment), stopped again when the command ends. Used for the tests and
# pictures of the real Win32 windows. QUILLBAY_SCREEN gives another size than 1280x1024.
set -euo pipefail
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${QUILLBAY_SCREEN:-1280x1024}x24" -nolisten tcp 3>"$number" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null || true; rm -f "$number"' EXIT
for _ in $(seq 200); do
  [[ -s $number ]] && break
  kill -0 "$xvfb" 2>/dev/null || { echo "with-display.sh: Xvfb did not start" >&2; exit 2; }
  sleep 0.05
done
[[ -s $number ]] || { echo "with-display.sh: Xvfb did not start" >&2; exit 2; }
DISPLAY=":$(tr -d '[:space:]' <"$number")" "$@"

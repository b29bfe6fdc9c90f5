#!/usr/bin/env bash
# Runs a command with a display of its own: an Xvfb server on the first free display number,
# stopped again when the command ends. Used for the tests of the real Win32 windows.
set -euo pipefail
display=99
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [[ -e /tmp/.X11-unix/X$display ]] && break
  kill -0 "$xvfb" 2>/dev/null || { echo "with-display.sh: Xvfb did not start" >&2; exit 2; }
  sleep 0.05
done
DISPLAY=":$display" "$@"

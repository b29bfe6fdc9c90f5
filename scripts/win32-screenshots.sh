#!/usr/bin/env bash
# Saves a PNG of each real Win32 window (main window, About box, link page window) as Wine
# draws it on an Xvfb display: build/windows/screenshots/{main,about,linkpage}.png.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows --target win32_screenshots
out=$PWD/build/windows/screenshots
mkdir -p "$out"
rm -f "$out"/*.ready
exe=build/windows/tools/win32_screenshots.exe
# The program writes <name>.ready with its window's "width height x y" and waits until the
# picture is taken and the file removed.
scripts/wine-gui-run.sh --prepare-only "$exe"
# A Wine server still running without a display (from preparing the prefix, or the tests)
# would never show the windows: let it end first.
WINEPREFIX=$PWD/build/windows/wineprefix wineserver -w
scripts/with-display.sh bash -c '
  scripts/wine-run.sh "$1" "Z:${2//\//\\}" & program=$!
  while kill -0 "$program" 2>/dev/null; do
    for ready in "$2"/*.ready; do
      [[ -s $ready ]] || continue
      read -r w h x y <"$ready"
      import -window root -crop "${w}x${h}+${x}+${y}" +repage "${ready%.ready}.png"
      rm -f "$ready"
      echo "${ready%.ready}.png"
    done
    sleep 0.1
  done
  wait "$program"' _ "$exe" "$out"
# The README shows these pictures.
mkdir -p docs
for name in main about linkpage; do
  convert "$out/$name.png" -strip "docs/windows-$name.png"  # no time stamps: same picture, same file
done

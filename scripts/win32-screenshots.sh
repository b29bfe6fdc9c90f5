#!/usr/bin/env bash
# Saves a PNG of each real Win32 window (main window, About box, link page window) as Wine
# draws it on an Xvfb display: build/windows/screenshots/{main,about,linkpage,help}.png.
# Usage: win32-screenshots.sh [DPI]: at another DPI than 96 (Wine's LogPixels, set for the run
# only) the pictures go to build/windows/screenshots/<DPI>dpi/ and docs/ stays as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
dpi=${1:-96}
cmake --preset windows >/dev/null
cmake --build --preset windows --target win32_screenshots
out=$PWD/build/windows/screenshots
[[ $dpi == 96 ]] || out=$out/${dpi}dpi
mkdir -p "$out"
rm -f "$out"/*.ready
exe=build/windows/tools/win32_screenshots.exe
# The program writes <name>.ready with its window's "width height x y" and waits until the
# picture is taken and the file removed.
scripts/wine-gui-run.sh --prepare-only "$exe"
# A Wine server still running without a display (from preparing the prefix, or the tests)
# would never show the windows: let it end first.
WINEPREFIX=$PWD/build/windows/wineprefix wineserver -w
set_dpi() {
  WINEPREFIX=$PWD/build/windows/wineprefix WINEDEBUG=-all \
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
  WINEPREFIX=$PWD/build/windows/wineprefix wineserver -w
}
if [[ $dpi != 96 ]]; then
  set_dpi "$dpi"
  trap 'set_dpi 96' EXIT
fi
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
[[ $dpi == 96 ]] || exit 0
mkdir -p docs
for name in main about linkpage; do
  convert "$out/$name.png" -strip "docs/windows-$name.png"  # no time stamps: same picture, same file
done

#!/usr/bin/env bash
# Runs a Windows program of a build folder under Wine with a display of its own (Xvfb), for
# the tests and pictures of the real windows. The display has no window manager, so Wine is
# told to frame the windows itself: otherwise it waits for a manager each time it hides one.
# Debian's Wine looks for its own fonts (Tahoma for "MS Shell Dlg", the template's MS Sans
# Serif, Marlett for the title bar's symbols) beside its data folder, not where fonts-wine
# puts them, and then draws with whatever fontconfig offers: the prefix's Fonts folder gets
# links to them, as a Windows installation has its fonts there.
# With --prepare-only as the first argument it only prepares the prefix. QUILLBAY_DPI runs the
# program at other dots per inch than 96 (Wine's LogPixels, set for this run only).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prepare_only=false
if [[ $1 == --prepare-only ]]; then
  prepare_only=true
  shift
fi
exe=$1
dir=$(cd "$(dirname "$exe")" && pwd)
while [[ $dir != / && ! -f $dir/CMakeCache.txt ]]; do dir=$(dirname "$dir"); done
[[ -f $dir/CMakeCache.txt ]] || { echo "wine-gui-run.sh: $exe is not in a build folder" >&2; exit 2; }
export WINEPREFIX=$dir/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
if ! grep -qs '^"Managed"="N"' "$WINEPREFIX/user.reg"; then
  "$(dirname "$0")/wine-prefix.sh" --build "$dir"
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
fi
fonts=$WINEPREFIX/drive_c/windows/Fonts
if [[ ! -e $fonts/marlett.ttf ]]; then
  for own in /usr/share/wine/fonts /usr/lib/x86_64-linux-gnu/wine/fonts; do
    [[ -f $own/marlett.ttf ]] || continue
    mkdir -p "$fonts"
    for font in "$own"/*.ttf; do ln -sf "$font" "$fonts/"; done
    break
  done
  [[ -e $fonts/marlett.ttf ]] || echo "wine-gui-run.sh: Wine's fonts (fonts-wine) are missing" >&2
fi
$prepare_only && exit 0
# A Wine server still running from a program started without a display (the other tests)
# keeps its display-less desktop, and our windows would never show: let it end first.
wineserver -w
dpi=${QUILLBAY_DPI:-96}
if [[ $dpi != 96 ]]; then
  set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
    wineserver -w
  }
  set_dpi "$dpi"
  trap 'set_dpi 96' EXIT
  "$here/with-display.sh" "$here/wine-run.sh" "$@"
  exit
fi
exec "$here/with-display.sh" "$here/wine-run.sh" "$@"

#!/usr/bin/env bash
# Makes the Wine prefixes of the tests.
#   scripts/wine-prefix.sh PREFIX            wineboot makes it: the longest step of a Wine test
#   scripts/wine-prefix.sh PREFIX TEMPLATE   a copy of TEMPLATE
#   scripts/wine-prefix.sh --build DIR       DIR/wineprefix, the prefix of the build folder DIR,
#                                            unless it exists: a copy of DIR/wine-template (the
#                                            test command makes it while the build runs), else
#                                            made by wineboot; one of several tests at once
# A copy links the programs and libraries of the system folders (630 MB of the 700) rather
# than copying them: nothing writes them in place.
set -euo pipefail
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEARCH=win64
make_prefix() {  # make_prefix PREFIX [TEMPLATE]
  local prefix template=${2:-} dir
  prefix=$(realpath -m "$1") # Wine takes an absolute path alone
  mkdir -p "$prefix"
  if [[ -z $template ]]; then
    WINEPREFIX=$prefix wineboot -i </dev/null >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w
    return
  fi
  [[ -f $template/system.reg ]] || { echo "wine-prefix.sh: $template is not a Wine prefix" >&2; return 2; }
  tar -C "$template" --exclude=./drive_c/windows/system32 --exclude=./drive_c/windows/syswow64 \
    -cf - . | tar -C "$prefix" -xf -
  for dir in system32 syswow64; do cp -al "$template/drive_c/windows/$dir" "$prefix/drive_c/windows/"; done
}

if [[ $1 != --build ]]; then
  make_prefix "$@"
  exit
fi
build=$2
[[ -f $build/wineprefix/system.reg ]] && exit
template=$build/wine-template
[[ -f $template/system.reg ]] || template=
exec 9>"$build/wineprefix.lock"
flock 9
[[ -f $build/wineprefix/system.reg ]] || make_prefix "$build/wineprefix" $template

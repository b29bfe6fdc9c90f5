#!/usr/bin/env bash
# Runs a Windows program under Wine in the prefix of the build folder it belongs to
# (<build>/wineprefix), never in the user's own prefix. Used as CMAKE_CROSSCOMPILING_EMULATOR.
set -euo pipefail
exe=$1
shift
dir=$(cd "$(dirname "$exe")" && pwd)
while [[ $dir != / && ! -f $dir/CMakeCache.txt ]]; do dir=$(dirname "$dir"); done
[[ -f $dir/CMakeCache.txt ]] || { echo "wine-run.sh: $exe is not in a build folder" >&2; exit 2; }
export WINEPREFIX=$dir/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
"$(dirname "$0")/wine-prefix.sh" --build "$dir"
# Wine leaves helper processes (its server, services) running for a while after the program
# ends, and they inherit the program's output. CTest waits until every holder of a test's
# output pipe is gone, so the program writes to files here and they are copied out after.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
status=0
wine "$exe" "$@" </dev/null >"$out" 2>"$err" || status=$?
cat "$out"
cat "$err" >&2
exit "$status"

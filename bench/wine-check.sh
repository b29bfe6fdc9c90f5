#!/usr/bin/env bash
# `quillbay-cli.exe check` against `reg query HKCR\CLSID` (names only) under Wine, in a fresh
# prefix that holds FOREIGN other programs' classes of 4 subkeys each and 3 bars.
# Usage: bench/wine-check.sh build/windows/src/cli/quillbay-cli.exe [FOREIGN] [RUNS]
# Prints each command's median and range in seconds, measured in the same run.
set -euo pipefail
exe=$(realpath "$1") foreign=${2:-10000} runs=${3:-7}
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
wineboot -i </dev/null >/dev/null 2>&1
python3 - "$foreign" >"$work/foreign.reg" <<'PY'
import sys
print("Windows Registry Editor Version 5.00\n")
for i in range(int(sys.argv[1])):
    key = "HKEY_CLASSES_ROOT\\CLSID\\{%08X-0000-4000-8000-0000DEADBEEF}" % i
    print('[%s]\n@="Foreign class %d"\n' % (key, i))
    for sub in ("InprocServer32", "ProgID", "TypeLib", "Version"):
        print('[%s\\%s]\n@="%s"\n' % (key, sub, sub))
PY
wine regedit /s "Z:$work/foreign.reg" </dev/null >/dev/null 2>&1
for i in 1 2 3; do wine "$exe" add "Bar $i" "http://example.org/$i" </dev/null >/dev/null 2>&1; done
wineserver -w
wineserver -p  # one server for every run, as a user's session has it
timed() {  # the median and range of RUNS runs of a command, in seconds
  local times=() start
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    wine "$@" </dev/null >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    times+=("$((($(date +%s%N) - start) / 1000000))")
  done
  printf '%s\n' "${times[@]}" | sort -n |
    awk '{t[NR]=$1/1000} END {printf "median %.2f s  (%.2f to %.2f s)\n", t[int((NR+1)/2)], t[1], t[NR]}'
}
echo "reg query HKCR\\CLSID:    $(timed reg query 'HKCR\CLSID')"
echo "quillbay-cli.exe check:  $(timed "$exe" check)"

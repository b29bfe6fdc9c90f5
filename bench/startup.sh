#!/usr/bin/env bash
# Start-up of the program to its visible main window, with a backup file of N bars.
# Usage: DISPLAY=:N bench/startup.sh PROGRAM ROWS [RUNS]
#   PROGRAM: the Qt program (build/release/src/ui/qt/quillbay), or quillbay.exe of a Windows
#   build, run under Wine in its build folder's prefix with that prefix's Windows directory
#   holding the backup file (the prefix's own file is put back after).
# Prints the median and the range in milliseconds. Needs an X display (Xvfb) and xdotool;
# scripts/with-display.sh gives one: scripts/with-display.sh bench/startup.sh PROGRAM 10000
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$1 rows=$2 runs=${3:-9}
data=$(mktemp -d)
cleanup=(rm -rf "$data")
trap '"${cleanup[@]}"' EXIT
if [[ $bin == *.exe ]]; then
  "$here/../scripts/wine-gui-run.sh" --prepare-only "$bin"
  dir=$(cd "$(dirname "$bin")" && pwd)
  while [[ ! -f $dir/CMakeCache.txt ]]; do dir=$(dirname "$dir"); done
  export WINEPREFIX=$dir/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  backup=$WINEPREFIX/drive_c/windows/bkupRegKeyf
  [[ -f $backup ]] && cp -p "$backup" "$data/kept"
  cleanup=(bash -c '[[ -f $1/kept ]] && mv "$1/kept" "$2" || rm -f "$2"; wineserver -k; rm -rf "$1"'
           _ "$data" "$backup")
  # One Wine server for every run, started on this display, as a user's session has it.
  wineserver -w
  wineserver -p
  start() { exec wine "$bin" >/dev/null 2>"$data/err"; }
else
  backup=$data/quillbay/bkupRegKeyf
  start() { XDG_DATA_HOME=$data exec "$bin" >/dev/null 2>"$data/err"; }
fi
mkdir -p "$(dirname "$backup")"
rm -f "$backup" # no rows: the first start, with no backup file
if ((rows > 0)); then
  for ((i = 0; i < rows; i++)); do
    printf '{%08X-0000-4000-8000-%012X},Bar %d;\r\n' "$i" "$i" "$i"
  done >"$backup"
fi
visible() { xdotool search --onlyvisible --name '^Tollmere$' >/dev/null 2>&1; }
times=()
# Run -1 warms the caches (and Wine's services) up: it is not timed, and may fail.
for ((run = -1; run < runs; run++)); do
  while visible; do sleep 0.05; done # the last run's window is gone
  begin=$(date +%s%N)
  start & # a subshell that becomes the program (exec): $! is the program's own pid
  pid=$!
  until visible; do
    if ! kill -0 "$pid" 2>/dev/null; then
      ((run >= 0)) || continue 2
      echo "startup.sh: $bin ended before its window showed:" >&2
      cat "$data/err" >&2
      exit 1
    fi
    sleep 0.003
  done
  ((run < 0)) || times+=($((($(date +%s%N) - begin) / 1000000)))
  kill "$pid"
  wait "$pid" 2>/dev/null || true
done
printf '%s\n' "${times[@]}" | sort -n |
  awk -v rows="$rows" '{ t[NR] = $1 } END { printf "%d rows: median %d ms (%d..%d)\n", rows, t[int((NR + 1) / 2)], t[1], t[NR] }'

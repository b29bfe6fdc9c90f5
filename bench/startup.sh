#!/usr/bin/env bash
# Start-up of the Qt program to its visible main window, with a backup file of N bars.
# Usage: DISPLAY=:N bench/startup.sh build/release/src/ui/qt/quillbay ROWS [RUNS]
# Prints the median and the range in milliseconds. Needs an X display (Xvfb) and xdotool.
set -euo pipefail
bin=$1 rows=$2 runs=${3:-9}
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
mkdir -p "$data/quillbay"
if ((rows > 0)); then
  for ((i = 0; i < rows; i++)); do
    printf '{%08X-0000-4000-8000-%012X},Bar %d;\r\n' "$i" "$i" "$i"
  done >"$data/quillbay/bkupRegKeyf"
fi
visible() { xdotool search --onlyvisible --name '^Tollmere$' >/dev/null 2>&1; }
times=()
for ((run = 0; run < runs; run++)); do
  while visible; do sleep 0.05; done # the last run's window is gone
  start=$(date +%s%N)
  XDG_DATA_HOME=$data "$bin" >/dev/null 2>&1 &
  pid=$!
  until visible; do sleep 0.003; done
  times+=($((($(date +%s%N) - start) / 1000000)))
  kill "$pid"
  wait "$pid" 2>/dev/null || true
done
printf '%s\n' "${times[@]}" | sort -n |
  awk -v rows="$rows" '{ t[NR] = $1 } END { printf "%d rows: median %d ms (%d..%d)\n", rows, t[int((NR + 1) / 2)], t[1], t[NR] }'

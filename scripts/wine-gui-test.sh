#!/usr/bin/env bash
# Runs the window test program under Wine with a display of its own. Wine now and then loses
# a program's output while its server starts or stops: a run that printed nothing at all is
# run once more, and the retry is logged in <build>/wine-retries.log. A run that printed
# anything stands as it is, so a fault of ours, even one that shows every other run, fails.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
log=$(cd "$(dirname "$1")" && pwd)/wine-retries.log
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for attempt in 1 2; do
  "$here/wine-gui-run.sh" "$@" >"$out" 2>&1
  status=$?
  cat "$out"
  [[ -s $out ]] && exit "$status"
  echo "$(date -u +%FT%TZ) $1: run $attempt printed nothing (exit $status)" | tee -a "$log" >&2
done
exit 1

#!/usr/bin/env bash
# Runs the libFuzzer targets built in the asan preset's tree:
#   cmake --build --preset asan --target reg_file_fuzzer backup_fuzzer
#   scripts/fuzz.sh smoke        every target once over its seed corpus (the tests do this)
#   scripts/fuzz.sh long SECONDS every target for SECONDS, growing a scratch corpus
# The targets run side by side, one a core; each one's report is printed when all have ended.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-smoke}
seconds=${2:-300}
shopt -s nullglob
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fuzz() {
  local target=$1 name seeds
  name=$(basename "$target" _fuzzer)
  seeds=fuzz/corpus/$name
  # libFuzzer adds what it finds to its first corpus folder: grow a scratch copy, never
  # the seeds in the repository.
  mkdir "$work/$name"
  cp "$seeds"/* "$work/$name"/
  if [[ $mode == smoke ]]; then
    "$target" -runs=0 "$seeds"
    "$target" -runs=20000 -max_len=4096 "$work/$name" 2>&1 | tail -n 1
  else
    "$target" -max_total_time="$seconds" -max_len=65536 "$work/$name" 2>&1 | tail -n 3
  fi
}
targets=(build/asan/fuzz/*_fuzzer)
((${#targets[@]})) || { echo "fuzz.sh: no fuzz targets in build/asan/fuzz" >&2; exit 2; }
pids=()
for target in "${targets[@]}"; do
  fuzz "$target" >"$work/${target##*/}.out" 2>&1 &
  pids+=($!)
done
failed=0
for i in "${!targets[@]}"; do
  status=0
  wait "${pids[$i]}" || status=$?
  cat "$work/${targets[$i]##*/}.out"
  ((status == 0)) || { echo "fuzz.sh: ${targets[$i]##*/} failed (status $status)" >&2; failed=1; }
done
exit "$failed"

#!/usr/bin/env bash
# Runs the libFuzzer targets built in the asan preset's tree:
#   cmake --build --preset asan --target reg_file_fuzzer backup_fuzzer
#   scripts/fuzz.sh smoke        every target once over its seed corpus (the tests do this)
#   scripts/fuzz.sh long SECONDS every target for SECONDS, growing a scratch corpus
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-smoke}
shopt -s nullglob
for target in build/asan/fuzz/*_fuzzer; do
  name=$(basename "$target" _fuzzer)
  seeds=fuzz/corpus/$name
  # libFuzzer adds what it finds to its first corpus folder: grow a scratch copy, never
  # the seeds in the repository.
  work=$(mktemp -d)
  cp "$seeds"/* "$work"/
  if [[ $mode == smoke ]]; then
    "$target" -runs=0 "$seeds"
    "$target" -runs=20000 -max_len=4096 "$work" 2>&1 | tail -n 1
  else
    "$target" -max_total_time="${2:-300}" -max_len=65536 "$work" 2>&1 | tail -n 3
  fi
  rm -rf "$work"
done

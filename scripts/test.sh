#!/usr/bin/env bash
# Builds Quillbay and runs every test: the Linux build, the sanitizer lane, the fuzz
# targets over their seed corpus, and a style check.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test

step() { printf '\n==== %s\n' "$*"; }

step "Linux build and tests"
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev

step "AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

step "Fuzz targets over their seed corpus"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
bash scripts/fuzz.sh smoke

step "Benchmarks build (run them with build/bench/bench/registration_bench)"
cmake --preset bench >/dev/null
cmake --build --preset bench

step "Format"
bash scripts/check-format.sh

echo
echo "All lanes passed."

#!/usr/bin/env bash
# Builds Quillbay and runs every test: the Linux build, the Debian package, the sanitizer
# lane, the fuzz targets over their seed corpus, the Windows build with its tests under Wine
# and the check that Wine's own reg tool reads what both registry stores write, and a style
# check.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test

step() { printf '\n==== %s\n' "$*"; }

step "Linux build and tests"
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev

step "Debian package: its files, menu entry, metadata and lintian's verdict"
bash tests/package/check-package.sh

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

step "Windows build (MinGW-w64) and its tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows
# Each test program is one Wine start and one run; only the window test may be run again, and
# only when Wine lost its output (scripts/wine-gui-test.sh logs it).
ctest --preset windows --output-on-failure

step "A peer reads what we wrote: Wine's reg export and reg import, and msiexec the MSI"
cmake --build --preset windows --target msi
bash tests/peer/peer_test.sh build/dev build/windows

step "Format"
bash scripts/check-format.sh

echo
echo "All lanes passed."

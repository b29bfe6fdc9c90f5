#!/usr/bin/env bash
# Builds Quillbay and runs every test: the Linux build, the Debian package, the sanitizer
# lane, the fuzz targets over their seed corpus, the Windows build with its tests under Wine
# and the check that Wine's own reg tool reads what both registry stores write, and a style
# check. Every lane runs even when an earlier one fails; each lane's result and time are
# listed at the end, and the exit status is non-zero when any lane failed.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test || exit
# ccache (used when present, see CMakeLists.txt) finds what a run in another clone of this
# machine compiled: paths are taken relative to the clone, also in debug builds.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}

linux() { cmake --preset dev >/dev/null && cmake --build --preset dev && ctest --preset dev; }

package() { bash tests/package/check-package.sh; }

sanitizers() { cmake --preset asan >/dev/null && cmake --build --preset asan && ctest --preset asan; }

fuzz() { cmake --preset fuzz >/dev/null && cmake --build --preset fuzz && bash scripts/fuzz.sh smoke; }

bench() { cmake --preset bench >/dev/null && cmake --build --preset bench; }

# Each test program is one Wine start and one run; only the window test may be run again, and
# only when Wine lost its output (scripts/wine-gui-test.sh logs it).
windows() {
  cmake --preset windows >/dev/null && cmake --build --preset windows &&
    ctest --preset windows --output-on-failure
}

peer() {
  cmake --build --preset windows --target msi && bash tests/peer/peer_test.sh build/dev build/windows
}

format() { bash scripts/check-format.sh; }

summary=() passed=0 failed=0
lane() {  # lane FUNCTION TITLE
  printf '\n==== %s\n' "$2"
  local start=$SECONDS status result=passed
  # In a subshell, so that `set -e` holds inside the lane and its failure ends only the lane.
  (set -e; "$1")
  status=$?
  if ((status == 0)); then passed=$((passed + 1)); else result=FAILED failed=$((failed + 1)); fi
  summary+=("$(printf '%-6s %6ss  %s' "$result" $((SECONDS - start)) "$2")")
}

lane linux "Linux build and tests"
lane package "Debian package: its files, menu entry, metadata and lintian's verdict"
lane sanitizers "AddressSanitizer + UndefinedBehaviorSanitizer"
lane fuzz "Fuzz targets over their seed corpus"
lane bench "Benchmarks build (run them with build/bench/bench/registration_bench)"
lane windows "Windows build (MinGW-w64) and its tests under Wine"
lane peer "A peer reads what we wrote: Wine's reg export and reg import, and msiexec the MSI"
lane format "Format"

printf '\n==== Lanes\n'
printf '%s\n' "${summary[@]}"
echo "Lanes: $passed passed, $failed failed"
((failed == 0))

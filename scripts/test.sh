#!/usr/bin/env bash
# Builds Quillbay and runs every test: the Linux build and its tests, the Debian package, the
# benchmarks' build, the sanitizer lane, the fuzz targets over their seed corpus, the Windows
# build (optimised, as it ships) with its tests under Wine and the check that Wine's own reg
# tool and msiexec read what we wrote, and a style check. Every lane runs even when another
# one fails; each lane's log is printed whole when it ends, and each lane's result and time
# are listed at the end; the exit status is non-zero when any lane failed.
#
# Three trees: build/linux (release flags as the package has them: the package, the tests,
# the benchmarks), build/asan (clang with the sanitizers: the tests and the fuzz targets)
# and build/windows. Each tree's lanes run one after another, the trees side by side: the
# Windows build first (its Wine tests and the peer lane after it mostly wait), the Linux
# and sanitizer trees at a lower priority on what it leaves, so that the two cores stay busy.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test || exit
# ccache (used when present, see CMakeLists.txt) finds what a run in another clone of this
# machine compiled: paths are taken relative to the clone, also in debug builds.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}

# The peer lane needs two Linux programs: built first, and said so.
linux() {
  cmake --preset linux >/dev/null &&
    cmake --build --preset linux --target quillbay-cli peer_write_registry_file &&
    touch "$lanes/linux-peer-tools" && cmake --build --preset linux && ctest --preset linux
}

package() { bash tests/package/check-package.sh linux; }

bench() { cmake --build --preset linux --target registration_bench window_bench; }

# The fuzz lane builds its targets in the same tree once the tests there are built, and runs
# beside their tests.
sanitizers() {
  cmake --preset asan >/dev/null && cmake --build --preset asan && touch "$lanes/asan-built" &&
    ctest --preset asan
}

fuzz() {
  cmake --build --preset asan --target reg_file_fuzzer backup_fuzzer && bash scripts/fuzz.sh smoke
}

# Each test program is one Wine start and one run; only the window test may be run again, and
# only when Wine lost its output (scripts/wine-gui-test.sh logs it). The prefix the tests copy
# is made while the build runs.
windows() {
  cmake --preset windows >/dev/null
  local prefix=0
  [[ -f build/windows/wine-template/system.reg ]] || {
    rm -rf build/windows/wine-template
    bash scripts/wine-prefix.sh build/windows/wine-template &
    prefix=$!
  }
  cmake --build --preset windows
  ((prefix == 0)) || wait "$prefix"
  ctest --preset windows --output-on-failure
}

peer() {
  cmake --build --preset windows --target msi && bash tests/peer/peer_test.sh build/linux build/windows
}

format() { bash scripts/check-format.sh; }

lanes=$(mktemp -d)
trap 'rm -rf "$lanes"' EXIT
# lane NAME TITLE: runs function NAME, its output in a file, printed whole when it ends.
lane() {
  local start=$SECONDS status result=passed
  # In a subshell, so that `set -e` holds inside the lane and its failure ends only the lane.
  (set -e; "$1") >"$lanes/$1.log" 2>&1 </dev/null
  status=$?
  ((status == 0)) || result=FAILED
  printf '%-6s %6ss  %s\n' "$result" $((SECONDS - start)) "$2" >"$lanes/$1.result"
  {
    flock 9
    printf '\n==== %s\n' "$2"
    cat "$lanes/$1.log"
  } 9>"$lanes/print.lock"
}

# wait_for MARK NAME: until lane NAME has touched MARK, or has ended (when it failed before),
# or the test command has.
wait_for() {
  until [[ -e $lanes/$1 || -e $lanes/$2.result ]] || ! kill -0 $$ 2>/dev/null; do sleep 1; done
}

# The Windows lanes; the peer lane reads two programs of the Linux tree too.
(
  lane windows "Windows build (MinGW-w64, optimised) and its tests under Wine"
  wait_for linux-peer-tools linux
  lane peer "A peer reads what we wrote: Wine's reg export and reg import, and msiexec the MSI"
) &
windows_lanes=$!
(
  renice -n 10 "$BASHPID" >/dev/null
  lane sanitizers "AddressSanitizer + UndefinedBehaviorSanitizer" &
  wait_for asan-built sanitizers
  lane fuzz "Fuzz targets over their seed corpus"
  wait
) &
asan_lanes=$!

renice -n 5 "$BASHPID" >/dev/null
lane linux "Linux build and tests"
lane package "Debian package: its files, menu entry, metadata and lintian's verdict"
lane bench "Benchmarks build (run them with build/linux/bench/registration_bench)"
lane format "Format"
wait "$windows_lanes" "$asan_lanes"

printf '\n==== Lanes\n'
passed=0 failed=0
for name in linux package sanitizers fuzz bench windows peer format; do
  if [[ -e $lanes/$name.result ]]; then
    cat "$lanes/$name.result"
  else
    echo "FAILED      -  $name: ended without a result"
  fi
  if grep -qs '^passed' "$lanes/$name.result"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "Lanes: $passed passed, $failed failed"
((failed == 0))

#!/usr/bin/env bash
# Runs screen_reader_test.py PROGRAM with a display of its own and, inside it, a session bus of
# its own, which starts the accessibility bus and its registry (they type the test's keys on
# that display) when first asked. A program that could not open the display (exit 3: another
# Xvfb took the same number at the same moment) is run once more on a new one.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
for attempt in 1 2 3; do
  "$here/../../../scripts/with-display.sh" \
    dbus-run-session -- /usr/bin/python3 "$here/screen_reader_test.py" "$1"
  status=$?
  [[ $status -eq 3 ]] || exit "$status"
  echo "screen_reader_test.sh: the program could not start (attempt $attempt)" >&2
done
exit 1

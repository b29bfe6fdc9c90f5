#!/usr/bin/env bash
# Runs screen_reader_test.py PROGRAM on a display of its own and, inside it, a session bus of
# its own, which starts the accessibility bus and its registry when first asked. When the
# program could not open the display (exit 3: another Xvfb took its number), it tries anew.
here=$(cd "$(dirname "$0")" && pwd)
XDG_RUNTIME_DIR=$(mktemp -d) && export XDG_RUNTIME_DIR && trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
for _ in 1 2 3; do
  "$here/../../../scripts/with-display.sh" \
    dbus-run-session -- /usr/bin/python3 "$here/screen_reader_test.py" "$1"
  status=$? && ((status != 3)) && exit "$status"
done
exit 1

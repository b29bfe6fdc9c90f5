#!/usr/bin/env bash
# quillbay-cli.exe's text rules under Wine, in the Windows build's prefix (code page 1252):
# a character the code page cannot hold is refused with nothing written, text it holds is
# stored as it is and listed as UTF-8 JSON. Usage: cli_wine_test.sh <quillbay-cli.exe> <build>
set -euo pipefail
exe=$(realpath "$1")
build=$(realpath "$2")
run=$(dirname "$0")/../../scripts/wine-run.sh
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cli() { "$run" "$exe" "$@" >"$out" 2>"$err"; }

cli list # the prefix exists from here on
backup=$build/wineprefix/drive_c/windows/bkupRegKeyf
rows() { cat "$backup" 2>/dev/null || true; }
while IFS='|' read -r character arguments; do
  eval "set -- $arguments"
  before=$(rows | md5sum)
  code=0
  cli "$@" || code=$?
  [[ $code == 1 ]] && grep -qF "the character $character cannot be written in this system's code page (1252)" "$err" ||
    fail "$arguments: status $code, $(cat "$err")"
  [[ $(rows | md5sum) == "$before" ]] || fail "$arguments wrote a row"
done <<'EOF'
U+041F|add Bar 'C:\Users\Пётр\bar.htm'
U+FF23|add ＣＯＲＰ http://corp.example/
U+03A9|add --horizontal Ωmega http://omega.example/
U+1F600|add 'Bar 😀' http://smile.example/
EOF

cli add Grüße 'C:\Users\Jürgen\grüße.htm'
id=$(tr -d '\r\n' <"$out")
LC_ALL=C grep -q "^$id,Gr"$'\xfc\xdf'"e;" "$backup" || fail "Grüße is not stored in code page 1252"
cli list --json
python3 - "$out" "$id" <<'EOF' || fail "list --json: $(cat "$out")"
import json, sys
bars = json.loads(open(sys.argv[1], "rb").read().decode("utf-8"))
assert [b for b in bars if b["id"] == sys.argv[2]] == [{"id": sys.argv[2], "name": "Grüße",
  "location": "C:\\Users\\Jürgen\\grüße.htm", "kind": "vertical", "registered": True}], bars
EOF

# A reader that stops early is no failure; straight under Wine, as wine-run.sh keeps a pipe
# from the program.
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
status=0
wine "$exe" list 2>"$err" | (exec 0<&-; sleep 1) || status=$?
[[ $status == 0 && ! -s $err ]] || fail "list to a reader that stopped: $status $(cat "$err")"
cli delete "$(tr 'A-F' 'a-f' <<<"${id:1:36}")" # as reg.exe users type it
! rows | grep -q "$id" || fail "delete without braces, in lower case"
echo "quillbay-cli.exe text under Wine: passed"

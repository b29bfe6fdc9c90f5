#!/usr/bin/env bash
# quillbay-cli end to end, in a data folder of its own: cli_test.sh <quillbay-cli>
set -euo pipefail
cli=$(realpath "$1")
XDG_DATA_HOME=$(mktemp -d)
export XDG_DATA_HOME
trap 'rm -rf "$XDG_DATA_HOME"' EXIT
data=$XDG_DATA_HOME/quillbay
cd "$XDG_DATA_HOME"
fail() { echo "FAIL: $*" >&2; exit 1; }
# A .reg file's sections mentioning $2, one a line, sorted.
sections() { iconv -f UTF-16LE -t UTF-8 "$1" | tr -d '\r' | awk -v id="$2" \
  'BEGIN { RS = "" } index($0, id) { gsub("\n", "|"); print }' | sort; }
# Every place a bar shows: list, backup file, registry.reg.
expect_bars() {
  local expected=$1
  [[ $("$cli" list) == "$expected" ]] || fail "list does not show '$expected'"
  [[ $(tr -d '\r' <"$data/bkupRegKeyf" 2>/dev/null | sed 's/,/\t/; s/;$//') == "$expected" ]] ||
    fail "the backup file does not hold '$expected'"
  for id in $(cut -f1 <<<"$expected"); do
    [[ $(sections "$data/registry.reg" "$id" | wc -l) == 7 ]] || fail "$id is not registered"
  done
}

[[ $("$cli" --help) == *"Usage: quillbay-cli"*"follows '--'"* ]] || fail "--help"
for command in list add set delete export page; do
  [[ $("$cli" $command --help) == *"Usage: quillbay-cli $command"*"Example"*"  quillbay-cli $command "* ]] ||
    fail "$command --help"
done
[[ $("$cli" --version) == "quillbay-cli "[0-9]* ]] || fail "--version"

news=$("$cli" add --id 0f5c3b1e-7d2a-4c6b-9e8f-1a2b3c4d5e6f News http://example.org/news.htm)
[[ $news == "{0F5C3B1E-7D2A-4C6B-9E8F-1A2B3C4D5E6F}" ]] || fail "add --id: $news"
side=$("$cli" add --horizontal -- '-Side "pane" \' 'c:\pages\side.htm')
expect_bars "$news	News
$side	-Side \"pane\" \\"
json_is() { python3 -c 'import json, sys; print(json.load(sys.stdin) == json.loads(sys.argv[1]))' "$1"; }
[[ $("$cli" list --json | json_is '[
  {"id": "'"$news"'", "name": "News", "location": "http://example.org/news.htm",
   "kind": "vertical", "registered": true},
  {"id": "'"$side"'", "name": "-Side \"pane\" \\", "location": "c:\\pages\\side.htm",
   "kind": "horizontal", "registered": true}]') == True ]] || fail "list --json"
code=0
"$cli" list 2>stderr | (exec 0<&-; sleep 0.2) || code=$?
[[ $code == 0 && ! -s stderr ]] || fail "list to a reader that stopped: $code $(cat stderr)"
sections "$data/registry.reg" "$side" | grep -q '{00021494-0000-0000-C000-000000000046}' ||
  fail "--horizontal"

# set changes a bar in place: its identifier, its row's place and every other byte of the file.
bar() { "$cli" list --json | python3 -c 'import json, sys
print(next((b["name"], b["location"], b["kind"]) for b in json.load(sys.stdin) if b["id"] == sys.argv[1]))' "$1"; }
tide=$("$cli" add Tide http://t/)
printf '%s,Tide; a note\n' "$tide" >>"$data/bkupRegKeyf"
cp "$data/bkupRegKeyf" list.bak
while IFS='|' read -r arguments expected; do
  eval "set -- $arguments"
  "$cli" set "${tide:1:36}" "$@" && [[ $(bar "$tide") == "$expected" ]] || fail "set $arguments: $(bar "$tide")"
  [[ $(sections "$data/registry.reg" "$tide" | wc -l) == 7 ]] || fail "set $arguments left a key"
done <<'EOF2'
--location http://t2/|('Tide', 'http://t2/', 'vertical')
--horizontal|('Tide', 'http://t2/', 'horizontal')
--name 'Tide table'|('Tide table', 'http://t2/', 'horizontal')
--vertical --name T --location u|('T', 'u', 'vertical')
EOF2
cmp -s <(sed "s/$tide,Tide;/$tide,T;/g" list.bak) "$data/bkupRegKeyf" || fail "set changed more of the list"
"$cli" delete "$tide"

# The export of one bar holds its keys at both views' paths; the peer check reads them.
"$cli" export "${side,,}" -o side.reg
"$cli" export -o - | cmp -s - <("$cli" export -o all.reg && cat all.reg) || fail "export to stdout"
[[ $(sections side.reg "$news") == "" && $(sections side.reg "$side" | wc -l) == 14 &&
  $(sections all.reg "$news" | wc -l) == 14 ]] || fail "export of one bar, of all bars"
# What export --remove writes is read by Wine's reg import in the peer check.

"$cli" page -o page.htm --title Links One http://one Two 'c:\two.htm'
[[ $(cat page.htm) == *'>Links<P><a href="http://one" target="_main">One</a><BR><a href="c:\two.htm"'* ]] ||
  fail "page"

# Refused: the status, the message said once, and no file changed or made.
ln -s "$data/bkupRegKeyf" bkupRegKeyf.lnk
snapshot() { ls -A "$data" . | grep -v '\.lock$'; cat "$data/bkupRegKeyf" "$data/registry.reg"; }
refused() {
  : >stderr
  local before status message arguments code
  before=$(snapshot | md5sum)
  while IFS='|' read -r status message arguments; do
    eval "set -- $arguments"
    code=0
    "$cli" "$@" >/dev/null 2>stderr || code=$?
    [[ $code == "$status" && $(wc -l <stderr) == 1 ]] && grep -qF -- "$message" stderr ||
      fail "$arguments: status $code, $(cat stderr)"
    [[ $(snapshot | md5sum) == "$before" ]] || fail "$arguments changed a file"
  done
}
refused <<'EOF'
2|quillbay-cli: A subcommand is required|
2|unknown command "lsit"|lsit
2|LOCATION is required|add News
2|--horizontal excludes --vertical|add N L --horizontal --vertical
2|ID is required|delete
2|The following argument was not expected: --bogus|export --bogus
2|-o is required|page One http://one
2|a package is binary|export --format msi -o -
2|uninstalling the package removes its bars|export --format msi --remove -o new.msi
2|must be X.Y.Z, at most 255.255.65535|export --format msi --version 1.0.65536 -o new.msi
2|they go with --format msi|export --version 1.0.0 -o new.reg
2|name the folder|export --format gpp
2|each link needs a name and a URL|page -o new.htm One http://one Two
1|Please input the name of the bar and URL!|add '' L
1|This character is not allowed. Please choose the different name.|add $'a\tb' L
1|The location cannot hold a semicolon, a comma, a tab or a line break.|add N 'a;b'
1|bytes that are not text|add $'a\xffb' L
1|A bar with the identifier {0F5C3B1E-7D2A-4C6B-9E8F-1A2B3C4D5E6F} is already registered.|add --id {0f5c3b1e-7d2a-4c6b-9e8f-1a2b3c4d5e6f} N L
1|News is not a bar identifier.|add --id News N L
1|No bar listed has the identifier {00000000-0000-0000-0000-000000000000}.|delete {00000000-0000-0000-0000-000000000000}
1|No bar listed has the identifier {00000000-0000-0000-0000-000000000000}.|set {00000000-0000-0000-0000-000000000000} --name N
2|name a change: --name, --location|set {0f5c3b1e-7d2a-4c6b-9e8f-1a2b3c4d5e6f}
1|This character is not allowed. Please choose the different name.|set {0f5c3b1e-7d2a-4c6b-9e8f-1a2b3c4d5e6f} --name 'a,b'
1|Please input the name of the bar and URL!|set {0f5c3b1e-7d2a-4c6b-9e8f-1a2b3c4d5e6f} --location ''
1|No bar listed has the identifier News.|export -o new.reg News
1|No bar listed has the identifier News.|export --format msi -o new.msi News
1|is one of the files Quillbay keeps its bars in|export -o bkupRegKeyf.lnk
1|is one of the files Quillbay keeps its bars in|page -o $XDG_DATA_HOME/quillbay/registry.reg.lock One http://one
1|contains an invalid path.|export -o stderr/new.reg
1|is a folder: name a file to write|export -o "$data"
1|is a folder: name a file to write|page -o . One http://one
1|It is necessary to have both link name and URL.|page -o new.htm One ''
1|You need to place the path where you want to save the file.|page -o '' One http://one
1|The title is empty.|page -o new.htm --title '' One http://one
EOF
# A registry that cannot be read: nothing is listed, exported or recorded.
mv "$data/registry.reg" registry.bak
echo junk >"$data/registry.reg"
refused <<'EOF'
1|The registry could not be read|list --json
1|The registry could not be read|export -o new.reg
1|The registry could not be read|add N L
1|The registry could not be read|set {0f5c3b1e-7d2a-4c6b-9e8f-1a2b3c4d5e6f} --name N
EOF
mv registry.bak "$data/registry.reg"
mv "$data/bkupRegKeyf" list.tmp && mkfifo "$data/bkupRegKeyf"
! "$cli" list 2>stderr && grep -q "bkupRegKeyf is not a file" stderr || fail "a FIFO for the list"
rm "$data/bkupRegKeyf" && mv list.tmp "$data/bkupRegKeyf"

(trap '' XFSZ && ulimit -f 0 && ! "$cli" list 2>&1 >full) |
  grep -q "standard output could not be written" || fail "list to a full disk"

# check: a bar the list lost is found and listed again; a row without keys is only reported.
cp "$data/bkupRegKeyf" list.bak
grep -v "$news" list.bak >"$data/bkupRegKeyf"
part={00000000-0000-0000-0000-00000000000E}
printf '{00000000-0000-0000-0000-00000000000A},Lost;\r\n%s,Part;\r\nNotes,x;\r\n' "$part" >>"$data/bkupRegKeyf"
# What a bar half made or half deleted leaves: the browser's entry alone, a class key
# without its category.
half=({00000000-0000-0000-0000-00000000000C} {00000000-0000-0000-0000-00000000000D})
printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Explorer Bars\\%s]\r\n\r\n[HKEY_CLASSES_ROOT\\CLSID\\%s\\Instance]\r\n"CLSID"="{4D5C8C2A-D075-11d0-B416-00C04FB90376}"\r\n\r\n[HKEY_CLASSES_ROOT\\CLSID\\%s\\Instance\\InitPropertyBag]\r\n"Url"="u"\r\n\r\n' \
  "${half[0]}" "${half[1]}" "${half[1]}" | iconv -f UTF-8 -t UTF-16LE >>"$data/registry.reg"
printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Explorer Bars\\%s]\r\n\r\n' "$part" |
  iconv -f UTF-8 -t UTF-16LE >>"$data/registry.reg"
c="HKEY_CLASSES_ROOT\\CLSID\\$part" categories="$c\\Implemented Categories"
status=0; "$cli" check >check.out || status=$?
[[ $status == 1 && $(cat check.out) == "{00000000-0000-0000-0000-00000000000A}	Lost	listed, but not registered
$part	Part	listed, but only partly registered: missing $c; $categories; $categories\\<a bar category>; $c\\InProcServer32; $c\\Instance; $c\\Instance\\InitPropertyBag
Notes	x	listed, but not a bar identifier
${half[1]}		registered, but not listed
$news	News	registered, but not listed
${half[0]}		registered, but not listed" ]] || fail "check: $(cat check.out)"
! "$cli" add --id "$news" N L 2>stderr && grep -q "already registered" stderr ||
  fail "add --id of a class key without a row"
# The list cannot be written: nothing is said to be listed again.
said=$( (trap '' XFSZ && ulimit -f 0 && "$cli" check --repair 2>&1) || echo "status $?")
[[ $said == "quillbay-cli: Disk full while accessing $data/bkupRegKeyf.
status 1" ]] || fail "check --repair of a list that cannot be written: $said"
"$cli" check --repair >check.out || true
grep -qx "$news	News	listed again" check.out || fail "check --repair"
grep -qx "${half[0]}		listed again" check.out || fail "check --repair of a half-left bar"
"$cli" delete '{00000000-0000-0000-0000-00000000000a}'
"$cli" delete "$part"
"$cli" delete Notes 2>stderr && grep -q "which is not a bar identifier" stderr || fail "delete Notes"
"$cli" delete "${half[0]}"
"$cli" delete "${half[1]}"
"$cli" check || fail "check after the repair"
[[ -L bkupRegKeyf.lnk ]] || fail "the link to the list was replaced"
# A hand-edited row that nearly names a registered bar is mended in place, never doubled.
near() { local f=${1//NEWS/$news,News;\\r\\n}; f=${f//BARE/${side:1:36}}; printf "${f//ID/$side}"; }
while IFS='|' read -r edited mended; do
  near "$edited" >"$data/bkupRegKeyf"
  "$cli" check --repair >check.out || fail "check --repair of $edited: $(cat check.out)"
  [[ $(cat check.out) == "$side	Side	identifier mended" ]] && cmp -s <(near "$mended") "$data/bkupRegKeyf" ||
    fail "check --repair of $edited: $(cat check.out)"
done <<'EOF'
NEWS ID,Side;\r\n|NEWSID,Side;\r\n
NEWS\tID,Side; a note\n|NEWSID,Side; a note\n
NEWSID ,Side;\r\n|NEWSID,Side;\r\n
NEWSBARE,Side;|NEWSID,Side;
NEWS\xef\xbb\xbfID,Side;\r\n|NEWSID,Side;\r\n
\xef\xbb\xbf\xef\xbb\xbfID,Side;\r\nNEWS|\xef\xbb\xbfID,Side;\r\nNEWS
NEWS\0ID,Side;\r\n|NEWSID,Side;\r\n
EOF
cp list.bak "$data/bkupRegKeyf"

news_typed=${news:1:36} # as reg.exe users type it
"$cli" delete "${news_typed,,}"
expect_bars "$side	-Side \"pane\" \\"
"$cli" delete "$side"
[[ ! -e $data/bkupRegKeyf && $("$cli" list) == "" &&
  $(sections "$data/registry.reg" '{') == "" ]] || fail "the last delete left some of the bars"
# A hand-edited row that is not text still lists as JSON.
printf '{00000000-0000-0000-0000-00000000000B},Gr\xfc\xdfe;\r\n' >"$data/bkupRegKeyf"
[[ $("$cli" list --json | json_is '[{"id": "{00000000-0000-0000-0000-00000000000B}",
  "name": "Gr\ufffd\ufffde", "location": null, "kind": null, "registered": false}]') == True ]] ||
  fail "list --json of bytes that are not text"
echo "quillbay-cli end to end: passed"

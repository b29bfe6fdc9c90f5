#!/usr/bin/env bash
# A peer reads what we wrote. Usage: peer_test.sh <dev build folder> <windows build folder>
# Wine's own `reg export` must give the reference exports in tests/data/reg-export byte for
# byte, in both views, for what each writer below wrote; Wine's msiexec installs and removes
# the MSI. Each side runs in a fresh Wine prefix of its own under <windows build>/peer, never
# in the user's prefix. The parts run all at once, as they mostly wait on Wine; each part's
# report is printed whole, in order, when all have ended.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
dev=$(cd "$1" && pwd)
win=$(cd "$2" && pwd)
refs=$root/tests/data/reg-export
work=$win/peer
register_exe=$win/tests/peer/peer_register_bars.exe
write_tool=$dev/tests/peer/peer_write_registry_file
cli=$dev/src/cli/quillbay-cli
cli_exe=$win/src/cli/quillbay-cli.exe
msi=$(echo "$win"/packaging/msi/quillbay-*-x64.msi)
for tool in "$register_exe" "$write_tool" "$cli" "$cli_exe" "$msi"; do
  [[ -f $tool ]] || { echo "peer_test.sh: $tool is missing; build both presets and msi first" >&2; exit 2; }
done

# No menu entries of the user's desktop for the shortcuts the MSI makes.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEARCH=win64
# Removes our prefixes (700 MB each, listed in $work/prefixes as they are made); the exports
# and registry.reg stay for a look.
clean_up() {
  local p
  while read -r p; do
    WINEPREFIX=$p wineserver -k 2>/dev/null || true
    WINEPREFIX=$p wineserver -w 2>/dev/null || true
    rm -rf "$p"
  done < <(cat "$work/prefixes" 2>/dev/null)
}
trap clean_up EXIT

rm -rf "$work"
mkdir -p "$work"

# Runs a program in prefix $1. Wine's helpers outlive the program and keep whatever output
# they were given, so the output goes to a file beside the prefix, shown only when the
# program fails.
# Under load Wine now and then fails to start a program at all ("Application could not be
# started"): that start alone is tried once more.
in_prefix() {
  WINEPREFIX=$1 wine "${@:2}" </dev/null >"$1.log" 2>&1 && return
  if grep -q '^Application could not be started' "$1.log"; then
    WINEPREFIX=$1 wine "${@:2}" </dev/null >"$1.log" 2>&1 && return
  fi
  echo "FAILED under Wine: ${*:2}" >&2
  cat "$1.log" >&2
  return 1
}

# Making a prefix takes the longest: one is made, or the untouched one of the Windows build
# taken, and copied for each side.
template=$win/wine-template
if [[ ! -f $template/system.reg ]]; then
  template=$work/template
  echo "$template" >>"$work/prefixes"
  "$root/scripts/wine-prefix.sh" "$template"
fi
fresh_prefix() {
  echo "$1" >>"$work/prefixes"
  "$root/scripts/wine-prefix.sh" "$1" "$template"
}

bars=("vertical-bar {11111111-2222-4333-8444-555555555555}"
      "horizontal-bar {AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE}")

export_bars() {
  local prefix=$1 out=$2 view=$3 entry label id
  mkdir -p "$out"
  for entry in "${bars[@]}"; do
    label=${entry%% *}
    id=${entry#* }
    in_prefix "$prefix" reg export "HKEY_CLASSES_ROOT\\CLSID\\$id" "Z:$out/$label-clsid.reg" /y $view
    in_prefix "$prefix" reg export \
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Explorer Bars\\$id" \
      "Z:$out/$label-explorer-bars.reg" /y $view
  done
}

# A part counts its failed checks in its report; a part that ends early counts too.
check() {
  local what=$1
  shift
  "$@" && printf '  ok          %s\n' "$what" && return
  printf '  FAILED      %s\n' "$what"
}
# A difference is shown value by value, as text.
same_bytes() {
  cmp -s "$1" "$2" && return
  diff <(iconv -f UTF-16LE -t UTF-8 "$1") <(iconv -f UTF-16LE -t UTF-8 "$2") | sed 's/^/      /'
  return 1
}
# Every export in folder $2 against its counterpart in folder $1.
compare() {
  local file
  for file in "$1"/*-bar-*.reg; do check "${file##*/} $3" same_bytes "$file" "$2/${file##*/}"; done
}

ids=("${bars[@]#* }")
backup_of_peer_bars() { printf '%s,News "quoted" \\ bar;\r\n%s,Local pane;\r\n' "${ids[@]}" >"$1"; }
# Whether every key of bar $2 is in both views of prefix $1 ($3 = present) or in neither (gone).
bar_keys() {
  local prefix=$1 id=$2 want=$3 view key found
  for view in /reg:64 /reg:32; do
    for key in "HKEY_CLASSES_ROOT\\CLSID\\$id" "HKEY_CLASSES_ROOT\\CLSID\\$id\\Instance\\InitPropertyBag" \
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Explorer Bars\\$id"; do
      found=gone
      WINEPREFIX=$prefix wine reg query "$key" $view </dev/null >/dev/null 2>&1 && found=present
      [[ $found == "$want" ]] || { echo "      $key $view: $found"; return 1; }
    done
  done
}

# What the Linux side writes, made before the parts that read it.
"$write_tool" "$work/registry.reg"
mkdir -p "$work/cli-data/quillbay"
cp "$work/registry.reg" "$work/cli-data/quillbay/registry.reg"
backup_of_peer_bars "$work/cli-data/quillbay/bkupRegKeyf"
XDG_DATA_HOME=$work/cli-data "$cli" export -o "$work/bars.reg"
XDG_DATA_HOME=$work/cli-data "$cli" export --remove -o "$work/remove.reg"
XDG_DATA_HOME=$work/cli-data "$cli" export --format gpp -o "$work/gpp-linux"

win32_store() {
  echo "The Win32 store writes, Wine's reg export reads:"
  fresh_prefix "$work/win32-store"
  in_prefix "$work/win32-store" "$register_exe"
  export_bars "$work/win32-store" "$work/win32-store-export-64" ""
  export_bars "$work/win32-store" "$work/win32-store-export-32" /reg:32
  compare "$refs" "$work/win32-store-export-64" "64-bit view"
  compare "$refs" "$work/win32-store-export-32" "32-bit view"

  echo "quillbay-cli.exe under Wine:"
  local prefix=$work/win32-store id i
  backup_of_peer_bars "$prefix/drive_c/windows/bkupRegKeyf"
  in_prefix "$prefix" "$cli_exe" export -o "Z:$work/bars-win32.reg"
  check "export from the registry is quillbay-cli's export" cmp -s "$work/bars.reg" "$work/bars-win32.reg"
  # The same Group Policy files through MSXML as through pugixml: the declaration, then the
  # same elements with the same attributes in the same order, but for the time stamps.
  in_prefix "$prefix" "$cli_exe" export --format gpp -o "Z:$work/gpp-win32"
  check "export --format gpp: the Registry.xml files quillbay-cli writes" same_gpp
  in_prefix "$prefix" "$cli_exe" add "Wine bar" http://example.org/wine.htm
  id=$(tr -d '\r' <"$prefix.log" | tail -1)
  check "add $id: both views" bar_keys "$prefix" "$id" present
  check "add: the backup file lists it" grep -q "^$id,Wine bar;" "$prefix/drive_c/windows/bkupRegKeyf"
  # A subkey another program left under the bar keeps the class key: the row stays until a
  # later delete can finish.
  in_prefix "$prefix" reg add "HKEY_CLASSES_ROOT\\CLSID\\$id\\Extra" /f
  check "delete with another program's subkey: refused" bash -c "! WINEPREFIX='$prefix' wine '$cli_exe' delete '$id' </dev/null >/dev/null 2>&1"
  check "delete with another program's subkey: the row stays" grep -q "^$id," "$prefix/drive_c/windows/bkupRegKeyf"
  in_prefix "$prefix" reg delete "HKEY_CLASSES_ROOT\\CLSID\\$id\\Extra" /f
  in_prefix "$prefix" "$cli_exe" delete "$id"
  check "delete: gone from both views" bar_keys "$prefix" "$id" gone
  check "delete: gone from the backup file" test "$(grep -c "$id" "$prefix/drive_c/windows/bkupRegKeyf")" = 0
  # Twelve processes add at once while lists read the file: every add succeeds, each bar has its
  # row, and check finds the list and the registry in agreement.
  for i in $(seq 12); do
    (WINEPREFIX=$prefix wine "$cli_exe" add "Bar $i" "http://h/$i" </dev/null >/dev/null 2>&1 ||
      touch "$work/add-failed") &
    WINEPREFIX=$prefix wine "$cli_exe" list </dev/null >/dev/null 2>&1 &
  done
  wait
  check "12 adds at once: all succeed" test ! -e "$work/add-failed"
  check "12 adds at once: 12 more rows" test "$(grep -c 'Bar [0-9]*;' "$prefix/drive_c/windows/bkupRegKeyf")" = 12
  check "12 adds at once: check finds no disagreement" in_prefix "$prefix" "$cli_exe" check
}
same_gpp() {
  local f
  for f in Machine/Preferences/Registry/Registry.xml User/Preferences/Registry/Registry.xml; do
    cmp -s <(head -1 "$work/gpp-linux/$f") <(head -1 "$work/gpp-win32/$f") || return
    python3 - "$work/gpp-linux/$f" "$work/gpp-win32/$f" <<'PY' || return
import sys, xml.etree.ElementTree as ET
def items(path):
    return [(e.tag, [a for a in e.attrib.items() if a[0] != "changed"]) for e in ET.parse(path).iter()]
sys.exit(items(sys.argv[1]) != items(sys.argv[2]))
PY
  done
}

file_store() {
  echo "The file store writes registry.reg, Wine's reg import takes it, reg export reads it:"
  fresh_prefix "$work/file-store"
  in_prefix "$work/file-store" reg import "Z:$work/registry.reg"
  export_bars "$work/file-store" "$work/file-store-export" ""
  compare "$refs" "$work/file-store-export" "imported, as the Win32 store writes it"
}

cli_import() {
  echo "quillbay-cli exports the bars, reg import takes them into both views, --remove off again:"
  local id
  fresh_prefix "$work/cli-import"
  in_prefix "$work/cli-import" reg import "Z:$work/bars.reg"
  export_bars "$work/cli-import" "$work/cli-import-export-64" ""
  export_bars "$work/cli-import" "$work/cli-import-export-32" /reg:32
  compare "$refs" "$work/cli-import-export-64" "64-bit view"
  compare "$refs" "$work/cli-import-export-32" "32-bit view"
  in_prefix "$work/cli-import" reg import "Z:$work/remove.reg"
  for id in "${ids[@]}"; do check "$id gone after the removal file" bar_keys "$work/cli-import" "$id" gone; done
}

msi_of_the_programs() {
  echo "The MSI installs the programs, and uninstall leaves nothing:"
  local prefix=$work/msi id
  fresh_prefix "$prefix"
  installed="$prefix/drive_c/Program Files/Quillbay"
  shortcuts() { find "$prefix/drive_c/ProgramData" "$prefix/drive_c/users" -name 'Quillbay.lnk'; }
  uninstall_entry() {
    WINEPREFIX=$prefix wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s \
      </dev/null 2>/dev/null | tr -d '\r' | grep -q 'DisplayName *REG_SZ *Quillbay$'
  }
  check "the package writes no registry value of its own (no bar)" \
    test -z "$(msiinfo export "$msi" Registry | tail -n +4)"
  in_prefix "$prefix" msiexec /i "Z:$msi" /qn
  check "installed: both programs" test -f "$installed/quillbay.exe" -a -f "$installed/quillbay-cli.exe"
  check "installed: a Start menu shortcut" test -n "$(shortcuts)"
  check "installed: an entry in Apps & features" uninstall_entry
  in_prefix "$prefix" 'C:\Program Files\Quillbay\quillbay-cli.exe' add "MSI bar" http://example.org/msi.htm
  id=$(tr -d '\r' <"$prefix.log" | tail -1)
  check "the installed quillbay-cli.exe adds $id" bar_keys "$prefix" "$id" present
  in_prefix "$prefix" 'C:\Program Files\Quillbay\quillbay-cli.exe' delete "$id"
  check "and deletes it" bar_keys "$prefix" "$id" gone
  in_prefix "$prefix" msiexec /x "Z:$msi" /qn
  check "uninstalled: no file left" test ! -e "$installed"
  check "uninstalled: no shortcut left" test -z "$(shortcuts)"
  no_uninstall_entry() { ! uninstall_entry; }
  check "uninstalled: no entry in Apps & features left" no_uninstall_entry
}

# Bars 1 and 2 in "Peer bars" (1.0.0 and 1.1.0); bars 1 and 3 in "Other bars". The reference is
# what quillbay-cli.exe's add writes for the same identifiers, in both views.
pkg_ids=("{11111111-2222-4333-8444-555555555555}" "{AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE}"
         "{33333333-2222-4333-8444-555555555555}")
foreign="{F0F0F0F0-2222-4333-8444-555555555555}"
ref=$work/msi-ref
pkgs=$work/msi-packages
add_pkg_bars() {  # add_pkg_bars COMMAND...: the three bars, as add makes them
  "$@" add --id "${pkg_ids[0]}" 'News [1] #bar' 'http://intranet/news.htm?a=[b]'
  "$@" add --horizontal --id "${pkg_ids[1]}" "Local pane" 'C:\Pages\#local.htm'
  "$@" add --id "${pkg_ids[2]}" "Third bar" http://intranet/third.htm
}
package() {  # package MAKER FILE OPTION...: written by the Linux CLI or by quillbay-cli.exe
  if [[ $1 == linux ]]; then
    XDG_DATA_HOME=$work/msi-cli-data "$cli" export --format msi -o "$pkgs/linux/$2" "${@:3}"
  else
    in_prefix "$ref" "$cli_exe" export --format msi -o "Z:$pkgs/win32/$2" "${@:3}"
  fi
}
packages_of() {
  package "$1" peer-1.0.0.msi --name "Peer bars" "${pkg_ids[@]:0:2}"
  package "$1" peer-1.1.0.msi --name "Peer bars" --version 1.1.0 "${pkg_ids[@]:0:2}"
  package "$1" other.msi --name "Other bars" "${pkg_ids[0]}" "${pkg_ids[2]}"
}
# The reference bars and the packages of both CLIs, before the parts that install them.
msi_packages() {
  echo "export --format msi: packages of both CLIs, installed, shared, upgraded, removed by msiexec:"
  local id ref_bars=()
  fresh_prefix "$ref"
  add_pkg_bars in_prefix "$ref" "$cli_exe"
  mkdir -p "$work/msi-cli-data" "$pkgs/linux" "$pkgs/win32"
  XDG_DATA_HOME=$work/msi-cli-data add_pkg_bars "$cli" >/dev/null
  for id in "${pkg_ids[@]}"; do ref_bars+=("$id $id"); done
  local bars=("${ref_bars[@]}")
  export_bars "$ref" "$work/msi-ref-64" /reg:64
  export_bars "$ref" "$work/msi-ref-32" /reg:32
  packages_of linux
  packages_of win32
}
# Bar $2 of prefix $1 in both views is byte for byte the reference.
same_as_add() {
  local bars=("$2 $2") view file
  for view in 64 32; do
    export_bars "$1" "$1-got-$view" /reg:$view || return 1
    for file in "$2-clsid.reg" "$2-explorer-bars.reg"; do
      same_bytes "$work/msi-ref-$view/$file" "$1-got-$view/$file" || return 1
    done
  done
}
# The DisplayVersion of each uninstall entry named $2 in prefix $1, one a line.
products() {
  WINEPREFIX=$1 wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s </dev/null 2>/dev/null |
    tr -d '\r' | grep -A1 "DisplayName *REG_SZ *$2\$" | sed -n 's/^ *DisplayVersion *REG_SZ *//p'
}
one_key() { WINEPREFIX=$1 wine reg query "HKEY_CLASSES_ROOT\\CLSID\\$2" "$3" </dev/null >/dev/null 2>&1; }
installs_of() {  # installs_of MAKER: its packages installed, shared, upgraded and removed
  local maker=$1 p=$work/msi-$1 view id
  fresh_prefix "$p"
  for view in /reg:64 /reg:32; do
    in_prefix "$p" reg add "HKEY_CLASSES_ROOT\\CLSID\\$foreign" /ve /d Foreign /f $view
  done
  in_prefix "$p" msiexec /i "Z:$pkgs/$maker/peer-1.0.0.msi" /qn
  for id in "${pkg_ids[@]:0:2}"; do check "$maker: installed $id is add's, both views" same_as_add "$p" "$id"; done
  in_prefix "$p" msiexec /i "Z:$pkgs/$maker/other.msi" /qn
  check "$maker: a second package adds ${pkg_ids[2]}" same_as_add "$p" "${pkg_ids[2]}"
  in_prefix "$p" msiexec /x "Z:$pkgs/$maker/peer-1.0.0.msi" /qn
  check "$maker: removing one package keeps the bar the other holds" same_as_add "$p" "${pkg_ids[0]}"
  check "$maker: and removes the bar only it held" bar_keys "$p" "${pkg_ids[1]}" gone
  in_prefix "$p" msiexec /i "Z:$pkgs/$maker/peer-1.0.0.msi" /qn
  in_prefix "$p" msiexec /i "Z:$pkgs/$maker/peer-1.1.0.msi" /qn
  check "$maker: 1.1.0 replaces 1.0.0: one product left" test "$(products "$p" "Peer bars")" = 1.1.0
  for id in "${pkg_ids[@]}"; do check "$maker: after the upgrade $id is all there" same_as_add "$p" "$id"; done
  check "$maker: 1.0.0 over 1.1.0 is refused" \
    bash -c "! WINEPREFIX='$p' wine msiexec /i 'Z:$pkgs/$maker/peer-1.0.0.msi' /qn </dev/null >/dev/null 2>&1"
  check "$maker: still the one product, 1.1.0" test "$(products "$p" "Peer bars")" = 1.1.0
  in_prefix "$p" msiexec /x "Z:$pkgs/$maker/peer-1.1.0.msi" /qn
  in_prefix "$p" msiexec /x "Z:$pkgs/$maker/other.msi" /qn
  for id in "${pkg_ids[@]}"; do check "$maker: uninstalled: no key of $id in either view" bar_keys "$p" "$id" gone; done
  check "$maker: uninstalled: no product left" test -z "$(products "$p" "Peer bars")$(products "$p" "Other bars")"
  for view in /reg:64 /reg:32; do
    check "$maker: another program's class is untouched, $view" one_key "$p" "$foreign" $view
  done
}
# start PART COMMAND...: runs COMMAND in the background, its report in $work/PART.out and its
# exit status in $work/PART.status.
parts=()
start() {
  { set +e; (set -e; "${@:2}"); echo $? >"$work/$1.status"; } >"$work/$1.out" 2>&1 &
  parts+=("$1")
}
start win32-store win32_store
start file-store file_store
start cli-import cli_import
start msi msi_of_the_programs
start msi-packages msi_packages
# The installs read the packages and the reference.
wait $!
if [[ $(cat "$work/msi-packages.status") == 0 ]]; then
  start msi-linux installs_of linux
  start msi-win32 installs_of win32
fi
wait

failures=0
for part in "${parts[@]}"; do
  cat "$work/$part.out"
  status=$(cat "$work/$part.status")
  ((status == 0)) || echo "  FAILED      the part above ended early (status $status)"
  failed=$(grep -c '^  FAILED' "$work/$part.out" || true)
  failures=$((failures + failed + (status != 0)))
done

if ((failures)); then
  echo "peer check: $failures check(s) failed" >&2
  exit 1
fi
echo "peer check: every check passed"

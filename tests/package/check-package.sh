#!/usr/bin/env bash
# Builds the Debian package and checks what a user gets: the install layout, icons of their
# folder's size, a menu entry whose command is installed, dependencies, validators, lintian.
# The programs are built with Debian's hardening flags: the release preset, or the one given
# (the test command's linux preset, the same build with the tests beside it).
set -euo pipefail
cd "$(dirname "$0")/../.."
preset=${1:-release}
cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"
rm -f build/"$preset"/quillbay_*.deb && (cd build/"$preset" && cpack -G DEB >/dev/null)
deb=$PWD/$(echo build/"$preset"/quillbay_*_amd64.deb)
tree=$(mktemp -d) && trap 'rm -rf "$tree"' EXIT && dpkg-deb -x "$deb" "$tree" && cd "$tree"
fail() { echo "check-package: $*" >&2; exit 1; }

s=usr/share d=usr/share/doc/quillbay m=usr/share/man/man1
for f in usr/bin/quillbay usr/bin/quillbay-cli $m/quillbay.1.gz $m/quillbay-cli.1.gz \
         $d/copyright $d/changelog.gz $s/metainfo/io.quillbay.Quillbay.metainfo.xml \
         $s/applications/quillbay.desktop $s/icons/hicolor/scalable/apps/quillbay.svg; do
  [[ -f $f ]] || fail "$f is not in the package"
done
for size in 16 24 32 48 64 128 256; do
  file $s/icons/hicolor/${size}x$size/apps/quillbay.png | grep -q "$size x $size" || fail "$size px"
done
command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' $s/applications/quillbay.desktop)
[[ -x usr/bin/$command ]] || fail "the menu entry runs '$command', which is not installed"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libqt6widgets6* && $depends == *qt6-qpa-plugins* ]] || fail "Depends: $depends"

desktop-file-validate $s/applications/quillbay.desktop
appstreamcli validate --no-net $s/metainfo/io.quillbay.Quillbay.metainfo.xml
# Silent, down to its pedantic and informational tags (it notes being run as root).
report=$(lintian --display-info --pedantic "$deb" 2>&1 | grep -v '^running with root privileges' || true)
[[ -z $report ]] || fail "lintian says:
$report"

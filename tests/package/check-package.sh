#!/usr/bin/env bash
# Builds the Debian package and checks what a user gets: the install layout, icons of their
# folder's size, a menu entry whose command is installed, dependencies, validators, lintian.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset release >/dev/null && cmake --build --preset release
rm -f build/release/quillbay_*.deb && (cd build/release && cpack -G DEB >/dev/null)
deb=$(echo build/release/quillbay_*_amd64.deb)
tree=$(mktemp -d) && trap 'rm -rf "$tree"' EXIT && dpkg-deb -x "$deb" "$tree"
fail() { echo "check-package: $*" >&2; exit 1; }

share=usr/share
for f in usr/bin/quillbay $share/applications/quillbay.desktop $share/doc/quillbay/copyright \
         $share/metainfo/io.quillbay.Quillbay.metainfo.xml $share/doc/quillbay/changelog.gz \
         $share/icons/hicolor/scalable/apps/quillbay.svg $share/man/man1/quillbay.1.gz; do
  [[ -f $tree/$f ]] || fail "$f is not in the package"
done
for size in 16 24 32 48 64 128 256; do
  icon=$share/icons/hicolor/${size}x$size/apps/quillbay.png
  file "$tree/$icon" | grep -q "$size x $size" || fail "$icon is missing or not $size px"
done
command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$tree/$share/applications/quillbay.desktop")
[[ -x $tree/usr/bin/$command ]] || fail "the menu entry runs '$command', which is not installed"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libqt6widgets6* && $depends == *qt6-qpa-plugins* ]] || fail "Depends: $depends"

desktop-file-validate "$tree/$share/applications/quillbay.desktop"
appstreamcli validate --no-net "$tree/$share/metainfo/io.quillbay.Quillbay.metainfo.xml"
lintian --fail-on error "$deb"

#!/usr/bin/env bash
# Installs the Debian packages Quillbay needs to build and test, only those missing.
# Usage: scripts/install-deps.sh [run|test]
set -euo pipefail

# The windows need a sans serif font, also on the offscreen platform of tests and screenshots.
# For the tests: the pictures' tools (Pillow, rsvg-convert, icotool; ImageMagick for the
# Windows bitmap). Only what a lane of scripts/test.sh uses.
# The release build takes Debian's flags from dpkg-buildflags (dpkg-dev). Recommended
# packages are left out: no lane needs them.
packages=(cmake ninja-build g++ pkg-config dpkg-dev qt6-base-dev libcli11-dev libutfcpp-dev
          nlohmann-json3-dev libmsi-dev libglib2.0-dev libpugixml-dev
          fonts-dejavu-core)
if [[ "${1:-test}" == test ]]; then
  # The screen-reader test talks to the accessibility bus (AT-SPI) from Python, on a session
  # bus of its own. Wine draws the Win32 windows with the fonts its package recommends
  # (fonts-wine, fonts-liberation): without them the windows' pictures would not be ours.
  packages+=(ccache libgtest-dev libgmock-dev libbenchmark-dev clang clang-format
             g++-mingw-w64-x86-64-posix wine wine64 fonts-wine fonts-liberation xvfb imagemagick
             file desktop-file-utils appstream lintian msitools wixl
             python3-pil librsvg2-bin icoutils at-spi2-core python3-pyatspi dbus-daemon)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

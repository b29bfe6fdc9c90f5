#!/usr/bin/env bash
# Saves a PNG of each window (templates 100, 102, 130) into build/screenshots/, drawn by Qt's
# offscreen platform with the desktop's font at 9, 10, 11 and 13 pt and at the scales 1, 1.5
# and 2, on a 1366 x 768 laptop's screen less a 32-pixel panel:
# dialog_<template>_<size>pt_x<scale>.png. The pictures at 10 pt and scale 1 are also
# kept in docs/ for the README, in 64 colours to keep them small and without time stamps.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset dev >/dev/null
cmake --build --preset dev --target quillbay_screenshots
out=build/screenshots
for size in 9 10 11 13; do
  for scale in 1 1.5 2; do
    QT_QPA_PLATFORM=offscreen:configfile=$PWD/tests/ui/qt/laptop_screen.json QT_SCALE_FACTOR=$scale \
      ./build/dev/tools/quillbay_screenshots "$out" "$size" "_${size}pt_x${scale}"
  done
done
mkdir -p docs
for window in 100:about 102:main 130:linkpage; do
  convert "$out/dialog_${window%%:*}_10pt_x1.png" +dither -colors 64 -strip "docs/linux-${window#*:}.png"
done

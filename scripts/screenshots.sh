#!/usr/bin/env bash
# Saves a PNG of each window (templates 100, 102, 130) into build/screenshots/, drawn by Qt's
# offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset dev >/dev/null
cmake --build --preset dev --target quillbay_screenshots
QT_QPA_PLATFORM=offscreen ./build/dev/src/ui/qt/quillbay_screenshots build/screenshots

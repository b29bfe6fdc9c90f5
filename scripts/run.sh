#!/usr/bin/env bash
# Builds Quillbay (release) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run
cmake --preset release >/dev/null
cmake --build --preset release
exec ./build/release/src/ui/qt/quillbay "$@"

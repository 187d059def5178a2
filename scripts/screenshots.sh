#!/usr/bin/env bash
# Renders the program's windows, driven against an in-process simulator through the main
# states, into PNG files in build/screenshots/ (offscreen, no display needed).
#   scripts/screenshots.sh [OUTPUT_DIR [DOCS_DIR]]
# With DOCS_DIR (docs/images) the README's pictures are refreshed there too.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${Q3_BUILD_DIR:-build}"
out="${1:-$dir/screenshots}"
cmake -S . -B "$dir" -G Ninja >/dev/null
cmake --build "$dir" --target q3_screenshots q3config_jpn
rm -rf "$out"
QT_QPA_PLATFORM=offscreen "$dir/bin/q3_screenshots" "$out" ${2:+"$2"}

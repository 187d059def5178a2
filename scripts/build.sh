#!/usr/bin/env bash
# Configures and builds into build/ (or $Q3_BUILD_DIR). Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${Q3_BUILD_DIR:-build}"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${Q3_BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
cmake --build "$dir"

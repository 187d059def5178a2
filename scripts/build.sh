#!/usr/bin/env bash
# Configures and builds into build/ (or $Q3_BUILD_DIR). Extra arguments go to cmake.
# Q3_UNITY_BUILD=ON compiles a folder's files in batches (quicker from clean; CI uses it).
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${Q3_BUILD_DIR:-build}"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${Q3_BUILD_TYPE:-RelWithDebInfo}" \
    -DCMAKE_UNITY_BUILD="${Q3_UNITY_BUILD:-OFF}" "$@" >/dev/null
cmake --build "$dir"

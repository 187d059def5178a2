#!/usr/bin/env bash
# Sets up a fresh machine, builds with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh -DQ3_WERROR=ON
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
cd "${Q3_BUILD_DIR:-build}"
ctest --output-on-failure --timeout 300 -j2

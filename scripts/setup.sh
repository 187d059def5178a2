#!/usr/bin/env bash
# Installs the Debian packages the programs need: "scripts/setup.sh run" only what building and
# running them takes; with no argument also everything the tests, benchmarks and checks use.
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libgl-dev nlohmann-json3-dev libsqlite3-dev
)
if [ "${1:-}" != run ]; then
    packages+=(
        clang-format clang libclang-rt-14-dev
        libgtest-dev libgmock-dev libbenchmark-dev
        libmodbus-dev mbpoll socat
        xvfb xauth fonts-ipafont-gothic poppler-utils
        dpkg-dev file strace desktop-file-utils shared-mime-info python3
    )
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

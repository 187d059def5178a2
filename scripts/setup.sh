#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the program need.
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config clang-format
    clang libclang-rt-14-dev
    qt6-base-dev libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libmodbus-dev mbpoll socat
    xvfb xauth fonts-ipafont-gothic poppler-utils
)
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

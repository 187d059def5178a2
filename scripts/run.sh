#!/usr/bin/env bash
# Sets up a fresh machine, builds, and runs the program against a simulated Q3VA transmitter.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
bin="$PWD/build/bin"

if [ -x "$bin/q3sim" ]; then
    export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp/q3-runtime-$(id -u)}"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    link="$XDG_RUNTIME_DIR/q3sim-demo"
    "$bin/q3sim" --model Q3VA --input sine --link "$link" >/dev/null &
    sim=$!
    trap 'kill $sim 2>/dev/null || true' EXIT
    for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
fi

if [ -x "$bin/q3config" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$bin/q3config" --demo-port "${link:-}"
    exit 0
fi

if [ -x "$bin/q3config" ]; then
    echo "No display found (DISPLAY is not set): showing the same work with q3cli instead."
fi
demo="$(mktemp -d)"
echo "\$ q3cli new Q3VA $demo/demo.cfg && q3cli show $demo/demo.cfg --group 0"
"$bin/q3cli" new Q3VA "$demo/demo.cfg"
"$bin/q3cli" show "$demo/demo.cfg" --group 0
if [ -n "${sim:-}" ] && "$bin/q3cli" --help | grep -q identify; then
    echo "\$ q3cli --port $link identify"
    "$bin/q3cli" --port "$link" identify
    echo "\$ q3cli --port $link monitor --count 5"
    "$bin/q3cli" --port "$link" monitor --count 5
fi

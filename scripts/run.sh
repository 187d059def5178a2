#!/usr/bin/env bash
# Sets up a fresh machine with what building and running the programs needs, builds the three
# programs (about 4 minutes the first time on two cores), starts a simulated Q3VA transmitter in
# the background and opens q3config on it: the simulator's port is in the Preferences list, and
# selected when no port has been chosen yet, so Connect brings the device online. Closing the
# program stops the simulator. Without a display the same work is shown with q3cli.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
dir="${Q3_BUILD_DIR:-build}"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${Q3_BUILD_TYPE:-RelWithDebInfo}" \
    -DQ3_BUILD_TESTS=OFF -DQ3_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" --target q3config q3config_jpn q3cli q3sim
bin="$PWD/$dir/bin"

# The simulator registers its port under XDG_RUNTIME_DIR, where port discovery looks.
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -w "${XDG_RUNTIME_DIR}" ]; then
    export XDG_RUNTIME_DIR="/tmp/q3-runtime-$(id -u)"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
fi
link="$XDG_RUNTIME_DIR/q3sim-demo"
"$bin/q3sim" --model Q3VA --input sine --baud 9600 --link "$link" >/dev/null &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.05; done
[ -e "$link" ] || { echo "The simulator did not start." >&2; exit 1; }

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$bin/q3config" --initial-port "$link"
    exit 0
fi

echo "No display (DISPLAY and WAYLAND_DISPLAY are unset), so q3config cannot open its window; the same with q3cli:"
demo="$(mktemp -d)"
run() {
    echo "\$ q3cli $*"
    "$bin/q3cli" "$@" || true
}
run --port "$link" identify
run --port "$link" upload "$demo/device.cfg"
run show "$demo/device.cfg" --group 0
run --port "$link" monitor --count 3
rm -rf "$demo"

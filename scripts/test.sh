#!/usr/bin/env bash
# Sets up a fresh machine, builds with warnings as errors and runs every test; the soak test
# polls the simulator for $Q3_SOAK_SECONDS (default 30). The longer checks CI runs are parts of
# their own, in their own build directories:
#   scripts/test.sh            build/: build and run every test
#   scripts/test.sh asan       build-asan/: the tests under AddressSanitizer and UBSan
#   scripts/test.sh tsan       build-tsan/: the tests without Qt under ThreadSanitizer
#   scripts/test.sh fuzz       build-fuzz/: each fuzz target for $Q3_FUZZ_SECONDS (default 60)
#   scripts/test.sh all        all four in turn
# Several parts may be named at once. Each prints its elapsed seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
export DEBIAN_FRONTEND=noninteractive
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
scripts/setup.sh

# The figures the soak and fault tests print (ctest keeps the output of passing tests there).
figures() {
    grep -hE '^(soak|late soak|two instances):' "$1/Testing/Temporary/LastTest.log" || true
}

unit() {
    # Tests and benchmarks back on in a tree the run script configured without them.
    scripts/build.sh -DQ3_WERROR=ON -DQ3_BUILD_TESTS=ON -DQ3_BUILD_BENCH=ON
    (cd "${Q3_BUILD_DIR:-build}" && ctest --output-on-failure --timeout 300 -j2)
    figures "${Q3_BUILD_DIR:-build}"
}

asan() {
    Q3_BUILD_DIR=build-asan Q3_BUILD_TYPE=Debug scripts/build.sh -DQ3_WERROR=ON \
        -DQ3_SANITIZE=address,undefined -DQ3_BUILD_BENCH=OFF
    # The fault-class scripts and the soaks are timing runs of paths the scripted-transport tests
    # cover under the sanitizers too (the soaks run under ThreadSanitizer below); the package
    # test checks files and layout, which the plain build covers.
    (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --output-on-failure --timeout 600 -j3 -LE no-sanitize \
        -E '^(shell\.comm_(faults|writes)|shell\.package_install|Soak\.)')
    figures build-asan
}

# Qt is not built with ThreadSanitizer, so the GUI tests would only report Qt's own internals;
# every threaded test of the core, the simulator and the soak binary runs here.
tsan() {
    cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQ3_WERROR=ON \
        -DQ3_SANITIZE=thread -DQ3_BUILD_GUI=OFF -DQ3_BUILD_BENCH=OFF \
        -DCMAKE_UNITY_BUILD="${Q3_UNITY_BUILD:-OFF}" >/dev/null
    cmake --build build-tsan --target q3_tests q3sim_tests q3_soak_tests q3_instance_writer
    (cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
        Q3_SOAK_SECONDS="${Q3_SANITIZED_SOAK_SECONDS:-20}" \
        ctest --output-on-failure --timeout 600 -j2 -LE no-sanitize -E '^shell\.')
    figures build-tsan
}

fuzz() {
    scripts/fuzz.sh
}

parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(unit)
[ "${parts[*]}" != "all" ] || parts=(unit asan tsan fuzz)
for part in "${parts[@]}"; do
    case "$part" in
    unit | asan | tsan | fuzz) ;;
    *)
        echo "unknown part '$part' (unit, asan, tsan, fuzz or all)" >&2
        exit 2
        ;;
    esac
done
for part in "${parts[@]}"; do
    echo "== test part: $part"
    start=$(date +%s)
    "$part"
    echo "== test part $part: $(($(date +%s) - start)) s"
done

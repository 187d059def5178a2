#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer) into
# build-fuzz/ and runs each for $Q3_FUZZ_SECONDS (default 60), two at a time. Each starts from its
# committed corpus in fuzz/corpus/<target>/ and adds new inputs to a scratch copy only; a crash,
# a leak or a failed check fails the script and leaves the input in build-fuzz/artifacts/.
#   scripts/fuzz.sh           build and run every target
#   scripts/fuzz.sh --merge   then fold the inputs that add coverage into fuzz/corpus (commit them)
set -euo pipefail
cd "$(dirname "$0")/.."
merge=0
[ "${1:-}" = "--merge" ] && merge=1
seconds="${Q3_FUZZ_SECONDS:-60}"
dir="${Q3_FUZZ_BUILD_DIR:-build-fuzz}"
targets=(fuzz_parameter_file fuzz_table_xy fuzz_table_temperature fuzz_modbus_response)

CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQ3_WERROR=ON \
    -DQ3_SANITIZE=address,undefined -DQ3_BUILD_FUZZERS=ON -DQ3_BUILD_GUI=OFF \
    -DQ3_BUILD_TESTS=OFF -DQ3_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" --target q3_fuzzers

work="$dir/fuzz-run"
rm -rf "$work"
mkdir -p "$work" "$dir/artifacts"

run() {
    local t=$1
    mkdir -p "$work/$t"
    # -timeout: one input taking longer than 10 s counts as a hang; -rss_limit_mb: a runaway
    # allocation as a crash.
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$dir/bin/$t" -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$dir/artifacts/$t-" \
        "$work/$t" "fuzz/corpus/$t" >"$work/$t.log" 2>&1
}

pids=()
status=0
for t in "${targets[@]}"; do
    run "$t" &
    pids+=($!)
    if [ ${#pids[@]} -eq 2 ]; then
        for p in "${pids[@]}"; do wait "$p" || status=1; done
        pids=()
    fi
done
for p in "${pids[@]}"; do wait "$p" || status=1; done

for t in "${targets[@]}"; do
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$t.log" | tail -1)
    cov=$(grep -oE 'cov: [0-9]+' "$work/$t.log" | tail -1 | cut -d' ' -f2)
    if grep -qE '^==[0-9]+==ERROR|fuzz check failed|^SUMMARY|deadly signal|Test unit written' \
        "$work/$t.log"; then
        echo "fuzz: $t FAILED after ${runs:-?} executions:"
        grep -E 'ERROR|fuzz check failed|SUMMARY|deadly signal|Test unit written' "$work/$t.log" |
            head -20
        status=1
    else
        echo "fuzz: $t ${runs:-?} executions in ${seconds} s, coverage ${cov:-?} edges"
    fi
done

if [ $status -eq 0 ] && [ $merge -eq 1 ]; then
    for t in "${targets[@]}"; do
        "$dir/bin/$t" -merge=1 -max_len=16384 "fuzz/corpus/$t" "$work/$t" >/dev/null 2>&1
    done
    echo "fuzz: corpus merged into fuzz/corpus/"
fi
exit $status

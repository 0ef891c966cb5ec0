#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each in turn for the given number of
# seconds (default 60), starting from its corpus in fuzz/corpus/<target>/.
# Inputs that reach new code collect in build/fuzz/corpus/<target>/; an input
# that crashes, runs longer than a second or leaks is kept in
# build/fuzz/findings/ and makes the script fail.
#   scripts/fuzz.sh [seconds-per-target] [target ...]
# TARLEN_JOBS sets the build's parallel jobs (default: every core).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    targets=(fuzz_listing fuzz_reply fuzz_command fuzz_settings fuzz_password fuzz_launch_url
        fuzz_vantel_bag)
fi

bash "$root/scripts/setup.sh" --fuzz
build="$root/build/fuzz"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang-14 \
    -DCMAKE_CXX_COMPILER=clang++-14 -DTARLEN_FUZZ=ON -DTARLEN_BUILD_TESTS=OFF \
    -DTARLEN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"${TARLEN_JOBS:-$(nproc)}" --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/findings" "$build/logs"
failed=()
for target in "${targets[@]}"; do
    found="$build/corpus/$target"
    mkdir -p "$found"
    log="$build/logs/$target.log"
    echo "== $target: $seconds s"
    if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
        "$found" "$root/fuzz/corpus/$target" >"$log" 2>&1; then
        failed+=("$target")
        grep -E "ERROR|SUMMARY|Test unit written" "$log" | head -5 || true
    fi
    # "#123 DONE cov: .. corp: 45/2Kb ..": the corpus at the end; then the
    # executions per second over the whole run.
    grep -E "DONE|stat::average_exec_per_sec|stat::number_of_executed_units" "$log" || true
done
if [[ ${#failed[@]} -gt 0 ]]; then
    echo "findings in: ${failed[*]} (inputs in $build/findings/)" >&2
    exit 1
fi
echo "no findings"

#!/usr/bin/env bash
# Deterministic fuzz run for CI: builds every fuzz target with clang
# (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer), then runs each
# one for a fixed number of inputs from a fixed seed over a copy of its seed
# corpus. Fails on the first crash, sanitizer report, leak or time-out, and
# leaves the reproducer in $FUZZ_OUT/artifacts.
#
#     fuzz/run-ci.sh                  # FUZZ_RUNS inputs per target (default 1000000)
#     FUZZ_SECONDS=600 fuzz/run-ci.sh # longer for the slow targets
#     FUZZ_RUNS=20000 fuzz/run-ci.sh  # quicker
#
# Each target stops at FUZZ_RUNS inputs or FUZZ_SECONDS (default 150 s),
# whichever comes first: the fast targets reach a million well inside that,
# while fuzz_sim (a fresh simulated device per input), fuzz_describe,
# fuzz_cov and fuzz_readrange (which re-encode and cut every message) run
# 2,000 to 4,000 inputs a second. Two targets at a time: about twenty
# minutes on two cores.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
runs=${FUZZ_RUNS:-1000000}
# The slowest targets would not reach a million inputs in CI's time: each
# stops at FUZZ_RUNS inputs or FUZZ_SECONDS, whichever comes first.
seconds=${FUZZ_SECONDS:-150}
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
out=${FUZZ_OUT:-$build/fuzz-ci}
jobs=${FUZZ_JOBS:-2}

# What a fresh Debian 12 lacks: clang 14 with its fuzzer runtime, CMake, Ninja.
missing=()
command -v clang++ >/dev/null || missing+=(clang)
command -v cmake >/dev/null || missing+=(cmake)
command -v ninja >/dev/null || missing+=(ninja-build)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || missing+=(libclang-rt-14-dev)
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}" </dev/null
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBACNETCODEC_FUZZ=ON -DBACNETCODEC_TESTS=OFF -DBACNETCODEC_EXAMPLES=OFF -DBACNETCODEC_TOOLS=OFF >/dev/null
cmake --build "$build" --target fuzz_all

rm -rf "$out"
mkdir -p "$out/artifacts" "$out/corpus" "$out/logs"
targets=$(cd "$here/corpus" && ls -d fuzz_*)

run_one() {
    local target=$1
    cp -r "$here/corpus/$target" "$out/corpus/$target"
    # -timeout: one input taking 10 s is a hang; timeout(1) bounds the whole run.
    if timeout 600 "$build/fuzz/$target" -runs="$runs" -max_total_time="$seconds" -seed=1 -max_len=4096 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/artifacts/$target-" \
        "$out/corpus/$target" >"$out/logs/$target.log" 2>&1; then
        echo "fuzz: $target $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/logs/$target.log" |
            grep -o '[0-9]*$') inputs, no finding"
    else
        echo "fuzz: $target FAILED"
        grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$out/logs/$target.log" | head -20
        return 1
    fi
}
export -f run_one
export here build out runs seconds

failed=0
printf '%s\n' $targets | xargs -P "$jobs" -I{} bash -c 'run_one {}' || failed=1
total=$(printf '%s\n' $targets | wc -l)
if [ $failed -ne 0 ]; then
    echo "fuzz: a target failed; reproducers in $out/artifacts"
    exit 1
fi
echo "fuzz: all $total targets ran (up to $runs inputs or $seconds s each) without a finding"

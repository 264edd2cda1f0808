#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs each briefly: a smoke test that
# they still run, and a guard on the allocation counts. The request encoder,
# the multiple-property decode and the value round trips through the tag
# codec and the host value (numbers) must allocate nothing per operation.
#
#     bench/run-ci.sh
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${BENCH_BUILD_DIR:-$root/build-bench}

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v ninja >/dev/null || missing+=(ninja-build)
[ -f /usr/include/benchmark/benchmark.h ] || missing+=(libbenchmark-dev)
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}" </dev/null
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBACNETCODEC_BENCH=ON \
    -DBACNETCODEC_TESTS=OFF -DBACNETCODEC_EXAMPLES=OFF -DBACNETCODEC_TOOLS=OFF >/dev/null
cmake --build "$build" --target bench_codec

out=$build/bench-ci.txt
"$build/bench/bench_codec" --benchmark_min_time=0.02 --benchmark_color=false | tee "$out"

failed=0
for name in BM_EncodeReadProperty BM_DecodeReadMultipleAck/20 BM_DecodeReadMultipleAck/89 \
    BM_TagUnsigned BM_TagReal BM_TagCharacterString BM_HostUnsigned BM_HostReal; do
    line=$(grep -E "^$name " "$out" || true)
    if [ -z "$line" ] || grep -q 'ERROR' <<<"$line"; then
        echo "bench: $name did not run"
        failed=1
    elif ! grep -qE 'allocs/op=0( |$)' <<<"$line"; then
        echo "bench: $name allocates: $line"
        failed=1
    fi
done
[ $failed -eq 0 ] || exit 1
echo "bench: every benchmark ran; no allocation in the encoders, the decode and the value round trips"

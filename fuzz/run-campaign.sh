#!/usr/bin/env bash
# A long fuzzing campaign: every target (or those named) until it has run
# CAMPAIGN_RUNS inputs or CAMPAIGN_SECONDS have passed, CAMPAIGN_JOBS targets
# at a time. Corpora grow in $CAMPAIGN_DIR/corpus/<target> (seeded from
# fuzz/corpus and kept between campaigns); findings land in
# $CAMPAIGN_DIR/artifacts; the last line of each log has the figures.
#
# With CAMPAIGN_MERGE=1 each grown corpus is then minimised (-set_cover_merge=1) into
# fuzz/corpus/<target>, keeping the seeds, and the edges the committed corpus
# reaches before and after are printed.
#
#     fuzz/run-campaign.sh                                  # 10 million inputs per target
#     CAMPAIGN_SECONDS=28800 fuzz/run-campaign.sh fuzz_driver fuzz_property
#     CAMPAIGN_SECONDS=180 CAMPAIGN_MERGE=1 fuzz/run-campaign.sh   # grow the committed corpora
#     build-fuzz/fuzz/fuzz_tag build-fuzz/campaign/artifacts/fuzz_tag-crash-...  # replay a finding
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
dir=${CAMPAIGN_DIR:-$build/campaign}
runs=${CAMPAIGN_RUNS:-10000000}
seconds=${CAMPAIGN_SECONDS:-3600}
jobs=${CAMPAIGN_JOBS:-2}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBACNETCODEC_FUZZ=ON -DBACNETCODEC_TESTS=OFF -DBACNETCODEC_EXAMPLES=OFF -DBACNETCODEC_TOOLS=OFF >/dev/null
cmake --build "$build" --target fuzz_all

targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <(cd "$here/corpus" && ls -d fuzz_*)
mkdir -p "$dir/corpus" "$dir/artifacts" "$dir/logs"
for t in "${targets[@]}"; do
    mkdir -p "$dir/corpus/$t"
    cp -n "$here/corpus/$t"/* "$dir/corpus/$t/"
done

# Edges (libFuzzer's coverage points) that target $1 reaches on corpus $2.
edges() {
    "$build/fuzz/$1" -runs=0 -max_len=1500 "$2" 2>&1 | grep -o 'INITED cov: [0-9]*' | grep -o '[0-9]*$' || echo 0
}

campaign_one() {
    local t=$1 start status
    start=$(date +%s)
    status=0
    # 1500 octets: the largest frame a BACnet/IP datagram carries.
    "$build/fuzz/$t" -runs="$runs" -max_total_time="$seconds" -max_len=1500 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$dir/artifacts/$t-" "$dir/corpus/$t" >"$dir/logs/$t.log" 2>&1 ||
        status=$?
    local elapsed=$(( $(date +%s) - start ))
    local executed
    executed=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$dir/logs/$t.log" | grep -o '[0-9]*$' || echo 0)
    echo "$t: ${executed:-0} inputs in ${elapsed} s ($(( ${executed:-0} / (elapsed > 0 ? elapsed : 1) ))/s)," \
        "$( [ $status -eq 0 ] && echo 'no finding' || echo "FINDING (exit $status), see $dir/logs/$t.log")"
    if [ "${CAMPAIGN_MERGE:-0}" = 1 ] && [ $status -eq 0 ]; then
        local before after
        before=$(edges "$t" "$here/corpus/$t")
        "$build/fuzz/$t" -set_cover_merge=1 -max_len=1500 "$here/corpus/$t" "$dir/corpus/$t" >"$dir/logs/$t.merge.log" 2>&1
        after=$(edges "$t" "$here/corpus/$t")
        echo "$t: committed corpus $before -> $after edges, $(ls "$here/corpus/$t" | wc -l) files"
    fi
}
export -f campaign_one edges
export build dir runs seconds here

printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'campaign_one {}' | tee "$dir/summary.txt"
! grep -q FINDING "$dir/summary.txt"

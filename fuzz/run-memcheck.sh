#!/usr/bin/env bash
# Runs every test program of a normal (unsanitized) build under valgrind
# memcheck: fails on any invalid read or write, use of uninitialised memory,
# or leak (definite, indirect or possible). Complements the sanitizer build,
# which checks the same suite with AddressSanitizer and LeakSanitizer.
#
#     fuzz/run-memcheck.sh             # builds into build-memcheck
#     MEMCHECK_BUILD_DIR=build fuzz/run-memcheck.sh   # reuses the normal build
#
# Well under a minute for the checks once built.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${MEMCHECK_BUILD_DIR:-$root/build-memcheck}

missing=()
command -v valgrind >/dev/null || missing+=(valgrind)
command -v cmake >/dev/null || missing+=(cmake)
command -v ninja >/dev/null || missing+=(ninja-build)
[ -d /usr/include/gtest ] || missing+=(libgtest-dev)
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}" </dev/null
fi

# A build folder of its own is configured for the tests alone; an existing
# one (CI's normal build) is only brought up to date.
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBACNETCODEC_TESTS=ON \
        -DBACNETCODEC_EXAMPLES=OFF -DBACNETCODEC_TOOLS=OFF >/dev/null
fi
cmake --build "$build"

# The library's test programs, and those of bacnet-tool and the simulated
# device when the build has them (find fails on a missing folder, which
# would stop the script).
folders=("$build/tests")
for folder in "$build/tools" "$build/sim"; do
    [ -d "$folder" ] && folders+=("$folder")
done
programs=$(find "${folders[@]}" -type f -name 'test_*' -perm -u+x -not -path '*/CMakeFiles/*' | sort)
[ -n "$programs" ] || { echo "memcheck: no test program found"; exit 1; }
log=$build/memcheck
mkdir -p "$log"

check_one() {
    local program=$1 name
    name=$(basename "$program")
    if timeout 900 valgrind --quiet --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect,possible \
        --errors-for-leak-kinds=definite,indirect,possible --track-origins=yes --suppressions="$here/memcheck.supp" \
        "$program" --gtest_brief=1 >"$log/$name.log" 2>&1; then
        echo "memcheck: $name clean ($(grep -o '[0-9]* tests\? from [0-9]* test suites\? ran' "$log/$name.log" | head -1))"
    else
        echo "memcheck: $name FAILED"
        tail -40 "$log/$name.log"
        return 1
    fi
}
export -f check_one
export log here

printf '%s\n' $programs | xargs -P 2 -I{} bash -c 'check_one {}'
echo "memcheck: every test program ran clean under valgrind"

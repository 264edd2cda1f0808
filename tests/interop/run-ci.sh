#!/usr/bin/env bash
# Interoperability tests, from a fresh Debian 12 machine: installs what is
# missing (a compiler, CMake, Ninja, tshark, Node.js and npm), installs the
# pinned node-bacnet peer with `npm ci`, builds the library and the interop
# programs with AddressSanitizer + UndefinedBehaviorSanitizer in a build
# directory of their own, and runs them:
#   interop_wire    every request frame the library builds, dissected by tshark
#   interop_names   the standard's names against the dissector's value strings
#   interop_device  round trips with a node-bacnet device on 127.0.0.1
#   interop_sim     the node-bacnet client against the simulated device:
#                   change-of-value notifications and the trend log
#   interop_tool    bacnet-tool against tshark and the node-bacnet device
# and the two device examples against the node-bacnet device.
# Non-interactive and bounded in time; exits non-zero on any failure.
#
# Environment: INTEROP_BUILD_DIR (default build-interop),
#              INTEROP_SANITIZE=0 for a plain build.
set -euo pipefail
cd "$(dirname "$0")/../.."
exec </dev/null
export DEBIAN_FRONTEND=noninteractive CI=true

build=${INTEROP_BUILD_DIR:-build-interop}
sanitize=${INTEROP_SANITIZE:-1}

packages=()
command -v cmake >/dev/null || packages+=(cmake)
command -v ninja >/dev/null || packages+=(ninja-build)
command -v g++ >/dev/null || packages+=(g++)
command -v tshark >/dev/null || packages+=(tshark)
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)
if [ ${#packages[@]} -gt 0 ]; then
  echo "== interop: installing ${packages[*]}"
  timeout 600 apt-get update -q
  timeout 1200 apt-get install -y -q --no-install-recommends "${packages[@]}"
fi
echo "== interop: $(tshark --version 2>/dev/null | head -n 1), node $(node --version)"

echo "== interop: the node-bacnet peer (npm ci)"
(cd tests/interop/node && timeout 600 npm ci --no-audit --no-fund --loglevel=error)

echo "== interop: build in $build"
sanitize_flag=OFF
[ "$sanitize" = 1 ] && sanitize_flag=ON
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DBACNETCODEC_INTEROP=ON -DBACNETCODEC_TESTS=OFF -DBACNETCODEC_EXAMPLES=OFF \
  -DBACNETCODEC_SANITIZE="$sanitize_flag"
timeout 1800 cmake --build "$build"

echo "== interop: tests"
ASAN_OPTIONS=detect_leaks=1 timeout 900 \
  ctest --test-dir "$build/tests/interop" --output-on-failure --timeout 180

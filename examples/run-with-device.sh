#!/usr/bin/env bash
# Runs an example program against a device started for it on a free loopback
# port:  run-with-device.sh PROGRAM -- DEVICE-COMMAND...
# The device prints its port ("serving on 127.0.0.1:PORT" or "listening
# PORT"); the program gets 127.0.0.1:PORT as its argument and its exit status
# is the result. Bounded: 10 s for the device to start, 30 s for the program.
set -euo pipefail
program=$1
shift
[ "${1:-}" = -- ] && shift
log=$(mktemp)
# The device's input stays open while this script runs (a device may stop
# when its input closes).
input=$(mktemp -u)
mkfifo "$input"
exec 3<>"$input"
"$@" <"$input" 3>&- >"$log" 2>&1 &
device=$!
trap 'kill "$device" 2>/dev/null || true; wait "$device" 2>/dev/null || true; rm -f "$log" "$input"' EXIT
port=
for _ in $(seq 100); do
  port=$(grep -oE '(127\.0\.0\.1:|listening )[0-9]+' "$log" | head -n 1 | grep -oE '[0-9]+$' || true)
  [ -n "$port" ] && break
  kill -0 "$device" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "the device printed no port:"
  cat "$log"
  exit 1
fi
timeout 30 "$program" "127.0.0.1:$port"

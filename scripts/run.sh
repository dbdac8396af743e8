#!/usr/bin/env bash
# Builds the program and runs the desktop program against the stand-in services on
# loopback (started here, stopped when the program ends). Without a display it says
# so and runs a headless search of the same services instead.
# Usage: scripts/run.sh [WORDS...]   (WORDS: only for the headless search; default 月亮)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target vexon vexon-cli vexon-standin
portfile=$(mktemp)
./build/vexon-standin --port 0 --port-file "$portfile" --archive-digests &
standin=$!
trap 'kill $standin 2>/dev/null; rm -f "$portfile"' EXIT
for _ in $(seq 100); do [ -s "$portfile" ] && break; sleep 0.05; done
port=$(cat "$portfile")
host="127.0.0.1:$port"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  ./build/vexon --baidu-host "$host" --yahoo-host "$host" --archive-url "http://$host/" --site "http://$host/"
else
  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running a headless search instead." >&2
  [ $# -gt 0 ] || set -- 月亮
  ./build/vexon-cli search --baidu-host "$host" --yahoo-host "$host" --archive-url "http://$host/" -- "$@"
fi

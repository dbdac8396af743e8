#!/usr/bin/env bash
# Builds the program and runs a search against the stand-in services on loopback.
# Usage: scripts/run.sh [WORDS...]   (default words: 月亮)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target vexon-cli vexon-standin
portfile=$(mktemp)
./build/vexon-standin --port 0 --port-file "$portfile" &
standin=$!
trap 'kill $standin 2>/dev/null; rm -f "$portfile"' EXIT
for _ in $(seq 100); do [ -s "$portfile" ] && break; sleep 0.05; done
port=$(cat "$portfile")
[ $# -gt 0 ] || set -- 月亮
./build/vexon-cli search --baidu-host "127.0.0.1:$port" --yahoo-host "127.0.0.1:$port" -- "$@"

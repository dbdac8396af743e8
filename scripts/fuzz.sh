#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVEXON_FUZZ=ON -DVEXON_TESTS=OFF \
  -DVEXON_BENCH=OFF -DVEXON_WERROR=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)"
for target in build-fuzz/fuzz/*_fuzz; do
  corpus="build-fuzz/corpus/$(basename "$target")"
  mkdir -p "$corpus"
  echo "== $(basename "$target") for ${seconds}s"
  "$target" -max_total_time="$seconds" -max_len=1048576 "$corpus" 2>&1 | tail -n 2
done

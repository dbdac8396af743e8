#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test, then builds the core,
# the CLI and the stand-in once more under AddressSanitizer and UndefinedBehaviorSanitizer
# and runs their tests again (the Qt program is left out there).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
# The layers include only downward, and every source file has the project's layout.
python3 scripts/check-layers.py
clang-format --dry-run --Werror $(git ls-files '*.cpp' '*.h')

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXON_WERROR=ON
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs" --timeout 300)
if grep -q '^VEXON_GUI:BOOL=ON$' build/CMakeCache.txt; then bash scripts/check-install.sh build; fi

if [ "${VEXON_SKIP_SANITIZE:-0}" != 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEXON_WERROR=ON \
        -DVEXON_SANITIZE=ON -DVEXON_BENCH=OFF -DVEXON_GUI=OFF
  cmake --build build-asan -j "$jobs"
  (cd build-asan && ctest --output-on-failure -j "$jobs" --timeout 600)
fi

#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test, then builds the core,
# the CLI and the stand-in once more under AddressSanitizer and UndefinedBehaviorSanitizer
# and a third time under ThreadSanitizer, running their tests again each time (the Qt
# program is left out there). VEXON_SKIP_SANITIZE=1 skips both sanitizer passes,
# VEXON_SKIP_TSAN=1 only the ThreadSanitizer one.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
# The layers include only downward, and every source file has the project's layout.
python3 scripts/check-layers.py
# Every text of the catalogs is translated, in the language it claims.
python3 scripts/check-catalog.py
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

if [ "${VEXON_SKIP_SANITIZE:-0}" != 1 ] && [ "${VEXON_SKIP_TSAN:-0}" != 1 ]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEXON_WERROR=ON \
        -DVEXON_TSAN=ON -DVEXON_BENCH=OFF -DVEXON_GUI=OFF
  cmake --build build-tsan -j "$jobs"
  # This ThreadSanitizer maps its shadow memory at fixed addresses and refuses to start
  # ("unexpected memory mapping") where the kernel randomizes mappings with more bits
  # than it allows (vm.mmap_rnd_bits > 28), though only now and then, as the addresses
  # fall; the tests then run without address randomization, which every process they
  # start inherits.
  tsan_run=()
  rnd_bits=$(cat /proc/sys/vm/mmap_rnd_bits 2> /dev/null || echo 0)
  probe=$(build-tsan/vexon-cli --version 2>&1 || true)
  if [ "$rnd_bits" -gt 28 ] || grep -q 'unexpected memory mapping' <<< "$probe"; then
    tsan_run=(setarch "$(uname -m)" -R)
  fi
  # Reports go to files, so one from a process whose output a test swallows (vexon-cli,
  # the stand-in) still fails the pass; halt_on_error ends that process at its first.
  reports="$PWD/build-tsan/tsan-reports"
  rm -rf "$reports" && mkdir -p "$reports"
  export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp log_path=$reports/report"
  status=0
  (cd build-tsan && "${tsan_run[@]}" ctest --output-on-failure -j "$jobs" --timeout 900) || status=$?
  if compgen -G "$reports/report.*" > /dev/null; then
    cat "$reports"/report.*
    echo "ThreadSanitizer reports above (also in $reports)" >&2
    status=1
  fi
  unset TSAN_OPTIONS
  [ "$status" = 0 ] || exit "$status"
fi

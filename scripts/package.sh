#!/usr/bin/env bash
# Builds a release of both programs and packs it as a Debian package in dist/:
#   sudo apt-get install ./dist/vexon_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXON_TESTS=OFF -DVEXON_BENCH=OFF >/dev/null
cmake --build build-release -j "$(nproc)"
mkdir -p dist
(cd build-release && cpack -G DEB -B "$PWD/../dist" >/dev/null)
rm -rf dist/_CPack_Packages
ls dist/vexon_*.deb

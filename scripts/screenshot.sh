#!/usr/bin/env bash
# Takes docs/screenshot.png: the main window on a virtual X display (Xvfb) after a
# search of the stand-in services, with two downloads under way.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target vexon-screenshot
display=":$((90 + RANDOM % 9))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
mkdir -p docs
DISPLAY="$display" QT_QPA_PLATFORM=xcb ./build/vexon-screenshot docs/screenshot.png
echo "wrote docs/screenshot.png"

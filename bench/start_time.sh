#!/usr/bin/env bash
# Start time to the shown window: each run starts the desktop program in a fresh
# folder on a virtual display and waits until its main window is viewable; the median
# of RUNS runs for each language, for this build and, when given, another one.
#   bench/start_time.sh BUILD/vexon [OTHER/vexon]
# The window is found by polling the display every few milliseconds, alike for both
# builds; compare the figures within one run.
set -euo pipefail
runs=${RUNS:-15}
programs=()
for p in "$@"; do programs+=("$(realpath "$p")"); done
[ ${#programs[@]} -ge 1 ] || { echo "usage: $0 VEXON [OTHER_VEXON]" >&2; exit 2; }
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
for _ in $(seq 100); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.05; done

# Milliseconds from the start of the process to its window being viewable.
start_once() {
  local program=$1 lang=$2 dir
  dir=$(mktemp -d "$work/run.XXXX")
  local begin end
  begin=$(date +%s%N)
  (cd "$dir" && LANG=C.UTF-8 LANGUAGE= exec "$program" --lang "$lang") >/dev/null 2>&1 &
  local pid=$!
  while true; do
    local id
    for id in $(xwininfo -root -children 2>/dev/null | awk '/\("vexon"/ {print $1}'); do
      if xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable'; then
        end=$(date +%s%N)
        kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
        echo $(((end - begin) / 1000000))
        return
      fi
    done
    if ! kill -0 "$pid" 2>/dev/null; then echo "the program ended without a window" >&2; exit 1; fi
  done
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

for program in "${programs[@]}"; do
  for lang in zh en; do
    start_once "$program" "$lang" >/dev/null  # warms the file cache
    times=$(for _ in $(seq "$runs"); do start_once "$program" "$lang"; done)
    echo "$program --lang $lang: median $(echo "$times" | median) ms of $runs"
  done
done

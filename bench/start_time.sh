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
work=$(mktemp -d)
# Xvfb picks a free display and names it, so two runs never share one.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$work/display")
for _ in $(seq 100); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.05; done

# Milliseconds from the start of the process to its window being viewable.
start_once() {
  local program=$1 lang=$2 program_index=${3:-x} dir
  dir=$(mktemp -d "$work/run.XXXX")
  local begin end
  begin=$(date +%s%N)
  (cd "$dir" && LANG=C.UTF-8 LANGUAGE= exec "$program" --lang "$lang") >"$dir/log" 2>&1 &
  local pid=$!
  while true; do
    local id
    for id in $(xwininfo -root -children 2>/dev/null | awk '/\("vexon"/ {print $1}'); do
      if xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable'; then
        end=$(date +%s%N)
        # The CPU it took until then, in clock ticks (user and system).
        awk '{print $14 + $15}' "/proc/$pid/stat" >>"$work/cpu.$program_index.$lang"
        kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
        echo $(((end - begin) / 1000000))
        return
      fi
    done
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "$program ended without a window:" >&2
      cat "$dir/log" >&2
      exit 1
    fi
  done
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# The builds take turns run by run, so a slower moment of the machine falls on both.
for lang in zh en; do
  declare -A times=()
  for program in "${programs[@]}"; do start_once "$program" "$lang" >/dev/null; done  # warms the file cache
  for _ in $(seq "$runs"); do
    for i in "${!programs[@]}"; do times[$i]+="$(start_once "${programs[$i]}" "$lang" "$i") "; done
  done
  for i in "${!programs[@]}"; do
    cpu=$(awk -v hz="$(getconf CLK_TCK)" '{t += $1} END {printf "%.0f", t * 1000 / hz / NR}' \
      "$work/cpu.$i.$lang")
    echo "${programs[$i]} --lang $lang: median $(echo "${times[$i]}" | tr ' ' '\n' | grep . | median) ms of $runs," \
      "CPU ${cpu} ms on average"
  done
  unset times
done

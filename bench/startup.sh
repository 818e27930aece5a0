#!/usr/bin/env bash
# Start-up of the program: a release build opens a generated plan (200 resources) given as its
# argument, under Xvfb, until the chart and the tables are painted for the first time. Prints
# the median wall time of several runs, the peak memory and the memory per task.
# Usage: bench/startup.sh [TASKS...]   (default: 10000 100000)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
velmora_install_missing
velmora_install_missing "${VELMORA_STARTUP_BENCH_PACKAGES[@]}"

dir="$VELMORA_ROOT/build/bench"
velmora_build "$dir" Release -DVELMORA_TESTS=OFF -DVELMORA_BENCH=ON >/dev/null
work=$(mktemp -d)
display=:$(( 90 + RANDOM % 400 ))
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 1
export DISPLAY=$display QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
runs=5

# One start: "milliseconds peak-kilobytes". The program ends itself after its first full paint.
start_once() {
  local begin end stats
  begin=$(date +%s%N)
  VELMORA_EXIT_AFTER_PAINT=1 /usr/bin/time -f "%M" -o "$work/time.txt" "$dir/app/velmora" "$@" >/dev/null 2>&1 || true
  stats=$(tail -1 "$work/time.txt")
  end=$(date +%s%N)
  echo "$(( (end - begin) / 1000000 )) $stats"
}

# The median of several starts, and the highest peak among them.
measure() {
  local times=() peak=0 t m
  for _ in $(seq "$runs"); do
    read -r t m < <(start_once "$@")
    times+=("$t")
    (( m > peak )) && peak=$m
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
  echo "$median $peak"
}

read -r empty_ms empty_kb < <(measure)
echo "no document:      ${empty_ms} ms, peak ${empty_kb} KB"
for tasks in "${@:-10000 100000}"; do
  for n in $tasks; do
    file="$work/plan$n.zop"
    "$dir/bench/make_plan" "$file" "$n" 200 >/dev/null 2>&1
    read -r ms kb < <(measure "$file")
    per_task=$(( (kb - empty_kb) * 1024 / n ))
    echo "$n tasks:  ${ms} ms to the first full paint, peak ${kb} KB (${per_task} bytes per task)"
  done
done

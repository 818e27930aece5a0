#!/usr/bin/env bash
# Start-up of the program: a release build opens a generated plan given as its argument, under
# Xvfb, until the chart and the shown table are painted and the CPU is quiet (the program
# used less than 10 % of a core for 250 ms; bench/watch_start.cpp). Prints the median of
# several runs, the CPU time used until then and in the second after (work left for later,
# such as the deferred overlap check), and the highest peak memory.
# Usage: bench/startup.sh [TASKS:RESOURCES...]   (default: 10000:100 100000:1000)
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
export VELMORA_REPORT_PAINT=1
runs=${VELMORA_STARTUP_RUNS:-5}

# The median of a column of numbers.
median() {
  sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}

# Several starts: "quiet-ms painted-ms cpu-ms later-cpu-ms peak-KB" as medians, the peak the highest.
measure() {
  local lines=() line
  for _ in $(seq "$runs"); do
    line=$("$dir/bench/watch_start" "$dir/app/velmora" "$@")
    lines+=("$line")
  done
  local quiet painted cpu later peak
  quiet=$(printf '%s\n' "${lines[@]}" | cut -d' ' -f1 | median)
  painted=$(printf '%s\n' "${lines[@]}" | cut -d' ' -f2 | median)
  cpu=$(printf '%s\n' "${lines[@]}" | cut -d' ' -f3 | median)
  later=$(printf '%s\n' "${lines[@]}" | cut -d' ' -f4 | median)
  peak=$(printf '%s\n' "${lines[@]}" | cut -d' ' -f5 | sort -n | tail -1)
  echo "$quiet $painted $cpu $later $peak"
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg); medians of $runs starts"
read -r quiet painted cpu later empty_kb < <(measure)
echo "no document:     ${quiet} ms until painted and quiet (painted ${painted} ms, CPU ${cpu} ms), peak ${empty_kb} KB"
for plan in "${@:-10000:100 100000:1000}"; do
  for size in $plan; do
    n=${size%%:*}
    resources=${size#*:}
    [ "$resources" = "$size" ] && resources=100
    file="$work/plan$n.zop"
    "$dir/bench/make_plan" "$file" "$n" "$resources" >/dev/null 2>&1
    # The first opening makes the document's working folder; the measured ones find it.
    "$dir/bench/watch_start" --after 0 "$dir/app/velmora" "$file" >/dev/null
    read -r quiet painted cpu later kb < <(measure "$file")
    per_task=$(( (kb - empty_kb) * 1024 / n ))
    echo "$n tasks on $resources resources: ${quiet} ms until painted and quiet" \
         "(painted ${painted} ms, CPU ${cpu} ms, ${later} ms more in the second after)," \
         "peak ${kb} KB (${per_task} bytes per task)"
  done
done

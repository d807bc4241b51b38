#!/usr/bin/env bash
# Start-up time to the window, and CPU share and memory of the running Linux clock,
# in a private virtual X server. Usage: bench/clock_usage.sh [build/linux/waggler] [seconds]
set -euo pipefail
program=${1:-build/linux/waggler}
seconds=${2:-10}
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1
export DISPLAY=$display LIBGL_ALWAYS_SOFTWARE=1
start=$(date +%s.%N)
"$program" &
clock=$!
trap 'kill $clock $xvfb 2>/dev/null || true' EXIT
xdotool search --sync --name '^Waggler$' >/dev/null
shown=$(date +%s.%N)
awk -v a="$start" -v b="$shown" 'BEGIN {printf "start-up to window shown: %d ms\n", (b - a) * 1000}'
ticks=$(getconf CLK_TCK)
read -r u0 s0 < <(awk '{print $14, $15}' /proc/$clock/stat)
sleep "$seconds"
read -r u1 s1 < <(awk '{print $14, $15}' /proc/$clock/stat)
awk -v t=$((u1 + s1 - u0 - s0)) -v hz="$ticks" -v s="$seconds" \
  'BEGIN {printf "CPU share over %ss: %.1f%% of one core\n", s, t / hz / s * 100}'
echo "resident memory: $(awk '/VmRSS/ {print $2, $3}' /proc/$clock/status)"

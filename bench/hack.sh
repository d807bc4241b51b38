#!/usr/bin/env bash
# wagglersaver as xscreensaver runs it while the machine is idle: full screen, in the root
# window of its own 1920x1080 virtual X server, with llvmpipe's own thread count and, to show
# what that choice buys, on the main thread alone. Prints a Markdown table: medians with
# [min-max] over the rounds. make bench runs it after bench.sh; alone, it needs only the hack.
# Usage: bench/hack.sh [HACK]   BENCH_SECONDS (30) per sample, BENCH_ROUNDS (3)
# shellcheck source-path=SCRIPTDIR source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

hack=$(realpath "${1:-$root/build/release/saver/linux/wagglersaver}")
seconds=${BENCH_SECONDS:-30}
rounds=${BENCH_ROUNDS:-3}
warmup=3
[[ -x $hack ]] || { echo "bench: missing $hack (make release builds it)" >&2; exit 66; }

private_x bench-hack 1920x1080x24 -noreset
export LIBGL_ALWAYS_SOFTWARE=1
unset LP_NUM_THREADS
build_frame_counter

# User+system ticks of process $1, all threads.
ticks() {
  local stat
  read -r stat <"/proc/$1/stat"
  read -r -a fields <<<"${stat##*) }"
  echo $((fields[11] + fields[12]))
}

# One sample of the hack with LP_NUM_THREADS=$1 ("" for llvmpipe's own choice).
sample() {
  local config=${1:-default} t0 t1 c0 c1 x0 x1 threads
  rm -f "$tmp/swaps"
  env ${1:+LP_NUM_THREADS=$1} LD_PRELOAD="$tmp/frame_counter.so" BENCH_SWAP_FILE="$tmp/swaps" \
    "$hack" -root >"$tmp/hack.log" 2>&1 &
  pid=$!
  sleep "$warmup"
  kill -0 "$pid" 2>/dev/null || { cat "$tmp/hack.log" >&2; exit 1; }
  t0=${EPOCHREALTIME/./} c0=$(ticks "$pid") x0=$(ticks "$xvfb_pid")
  sleep "$seconds"
  t1=${EPOCHREALTIME/./} c1=$(ticks "$pid") x1=$(ticks "$xvfb_pid")
  threads=$(ls "/proc/$pid/task" | wc -l)
  # xscreensaver gives a hack a moment after SIGTERM before it kills it: time the ending.
  local s0=${EPOCHREALTIME/./}
  kill "$pid"
  wait "$pid" || { echo "bench: the hack did not end with 0 on SIGTERM" >&2; exit 1; }
  local stopped=$(((${EPOCHREALTIME/./} - s0) / 1000))
  pid=
  awk -v c="$config" -v t0="$t0" -v t1="$t1" -v dt=$((c1 - c0)) -v dx=$((x1 - x0)) \
    -v hz="$(getconf CLK_TCK)" -v th="$threads" -v stop="$stopped" '
    { if ($1 >= t0 && $1 <= t1) at[n++] = $1 }
    END {
      sec = (t1 - t0) / 1e6
      printf "%s cpu %.1f\n%s xcpu %.1f\n%s threads %d\n", c, dt / hz / sec * 100, c, dx / hz / sec * 100, c, th
      printf "%s stop %d\n", c, stop
      printf "%s fps %.1f\n", c, (n - 1) / ((at[n - 1] - at[0]) / 1e6)
      for (i = 1; i < n; i++) gap[i] = (at[i] - at[i - 1]) / 1000
      for (i = 2; i < n; i++) { x = gap[i]; for (j = i - 1; j >= 1 && gap[j] > x; j--) gap[j + 1] = gap[j]; gap[j + 1] = x }
      printf "%s gap50 %.1f\n%s gap99 %.1f\n", c, gap[int(n / 2)], c, gap[int((n - 1) * 0.99 + 0.999)]
    }' "$tmp/swaps" >>"$tmp/results"
}

for ((round = 1; round <= rounds; round++)); do
  echo "bench: hack round $round/$rounds" >&2
  sample ""
  sample 0
done

awk -v seconds="$seconds" -v rounds="$rounds" '
  { v[$1 " " $2] = v[$1 " " $2] " " $3 }
  function spread(key,   n, a, i, j, x) {
    n = split(v[key], a, " ")
    for (i = 2; i <= n; i++) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
    return a[int((n + 1) / 2)] (n > 1 ? " [" a[1] "-" a[n] "]" : "")
  }
  END {
    print "| wagglersaver -root, 1920x1080 | llvmpipe threads (its choice) | LP_NUM_THREADS=0 | How |"
    print "|---|---|---|---|"
    split("fps gap50 gap99 cpu xcpu threads stop", f, " ")
    split("Frames/s|Frame interval median|Frame interval p99|CPU|CPU of the X server|Threads|End after SIGTERM", label, "|")
    split("presented frames per s, swaps counted by bench/frame_counter.c|ms|ms|% of one core, all threads, /proc/PID/stat|% of one core: Xvfb takes each frame as an image|at the end of the sample|ms from the signal to its exit with 0", how, "|")
    for (i = 1; i <= 7; i++)
      printf "| %s | %s | %s | %s%s |\n", label[i], spread("default " f[i]), spread("0 " f[i]), how[i],
        i == 1 ? " (" seconds " s, " rounds " rounds)" : ""
  }' "$tmp/results"

#!/usr/bin/env bash
# The clock's running costs beside xscreensaver's gltext and xdaliclock, each in turn in one
# private virtual X server, over alternated rounds; its profile, its start-up and the costs of
# its routines; then the screensaver full screen (bench/hack.sh). Prints Markdown tables: medians
# with [min-max] over the rounds.
# Usage: bench/bench.sh [PROGRAM]   (make bench builds what it needs and runs this)
# BENCH_SECONDS (30) per sample, BENCH_ROUNDS (3), BENCH_STARTS (10) start-ups, BENCH_SIZES
# ("400x400 1024x768", up to 1920x1200); BENCH_LP_THREADS lists LP_NUM_THREADS values to run the
# clock with besides its own choice (say "0 1 2").
# shellcheck source-path=SCRIPTDIR source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

program=$(realpath "${1:-$root/build/release/waggler}")
bench_dir=${BENCH_TOOLS:-$root/build/linux/bench}
seconds=${BENCH_SECONDS:-30}
rounds=${BENCH_ROUNDS:-3}
starts=${BENCH_STARTS:-10}
warmup=3
read -r -a sizes <<<"${BENCH_SIZES:-400x400 1024x768}"
gltext=/usr/libexec/xscreensaver/gltext

for need in "$program" "$bench_dir/frame_cost" "$bench_dir/glyph_build" "$gltext" \
  "$(command -v xdaliclock)" "$(command -v Xvfb)" "$(command -v xdotool)"; do
  [[ -x $need ]] || { echo "bench: missing $need (make bench builds and installs it)" >&2; exit 66; }
done

# Room for a maximised window at the origin.
private_x bench 1920x1200x24 -noreset
export LIBGL_ALWAYS_SOFTWARE=1 GSETTINGS_BACKEND=memory

say() { echo "bench: $*" >&2; }
now_us() { now=${EPOCHREALTIME/./}; }
read_load() { read -r load _ </proc/loadavg; }

build_frame_counter

unset LP_NUM_THREADS

# Starts one program ($1: waggler, waggler-lpN for LP_NUM_THREADS=N, gltext or xdaliclock) at
# size $2 with the frame counter preloaded, and waits until its window is shown at that size.
launch() {
  local what=$1 width=${2%x*} height=${2#*x} window=
  rm -f "$tmp/swaps"
  local -a command env=(LD_PRELOAD="$tmp/frame_counter.so" BENCH_SWAP_FILE="$tmp/swaps")
  case $what in
    waggler) command=("$program") ;;
    waggler-lp*) command=("$program") env+=(LP_NUM_THREADS="${what#waggler-lp}") ;;
    gltext) command=("$gltext" -window -geometry "$2+0+0" -text '%H:%M:%S') ;;
    xdaliclock) command=(xdaliclock) ;;
  esac
  env "${env[@]}" "${command[@]}" >"$tmp/program.log" 2>&1 &
  pid=$!
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | tail -n 1) || true
    [[ -n $window ]] && break
    sleep 0.1
  done
  [[ -n $window ]] || { say "$what showed no window"; cat "$tmp/program.log" >&2; exit 1; }
  # Every program draws into the same client area; without a window manager this is its size.
  xdotool windowsize "$window" "$width" "$height"
}

stop() {
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
}

# CPU ticks of all threads, and context switches summed over the threads there are now.
counters() {
  local stat task key value
  read -r stat <"/proc/$pid/stat"
  stat=${stat##*) }
  read -r -a fields <<<"$stat"
  ticks=$((fields[11] + fields[12]))
  voluntary=0 involuntary=0 threads=0
  for task in /proc/"$pid"/task/*; do
    threads=$((threads + 1))
    while read -r key value; do
      case $key in
        voluntary_ctxt_switches:) voluntary=$((voluntary + value)) ;;
        nonvoluntary_ctxt_switches:) involuntary=$((involuntary + value)) ;;
      esac
    done <"$task/status" 2>/dev/null || true
  done
}

# Sorts a[1..n] in place and returns n (awk here may be mawk, which has no asort).
sortn='function sortn(a, n,   i, j, x) {
  for (i = 2; i <= n; i++) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
  return n
}'

# One sample of the running program, appended to the results as "config figure value" lines.
measure() {
  local config=$1 t0 t1 c0 v0 i0
  sleep "$warmup"
  counters
  now_us
  t0=$now c0=$ticks v0=$voluntary i0=$involuntary
  sleep "$seconds"
  counters
  now_us
  t1=$now
  local rss pss
  rss=$(awk '/^Rss:/ {print $2}' "/proc/$pid/smaps_rollup")
  pss=$(awk '/^Pss:/ {print $2}' "/proc/$pid/smaps_rollup")
  stop
  awk -v c="$config" -v s=$((t1 - t0)) -v hz="$(getconf CLK_TCK)" -v dt=$((ticks - c0)) \
    -v dv=$((voluntary - v0)) -v di=$((involuntary - i0)) -v th="$threads" -v rss="$rss" \
    -v pss="$pss" -v t0="$t0" -v t1="$t1" -v swaps="$tmp/swaps" "$sortn"' BEGIN {
      sec = s / 1e6
      printf "%s cpu %.2f\n", c, dt / hz / sec * 100
      printf "%s wakeups %.1f\n%s voluntary %.1f\n", c, (dv + di) / sec, c, dv / sec
      printf "%s threads %d\n%s rss %.1f\n%s pss %.1f\n", c, th, c, rss / 1024, c, pss / 1024
      n = 0
      while ((getline t < swaps) > 0) if (t >= t0 && t <= t1) at[n++] = t
      if (n < 2) exit
      # Swaps are written 50 at a time, so the last ones before the kill are missing: the rate
      # comes from the span of those written.
      printf "%s fps %.1f\n", c, (n - 1) / ((at[n - 1] - at[0]) / 1e6)
      for (i = 1; i < n; i++) gap[i] = (at[i] - at[i - 1]) / 1000
      m = sortn(gap, n - 1)
      printf "%s gap50 %.1f\n%s gap99 %.1f\n", c, gap[int((m + 1) / 2)], c, gap[int(m * 0.99 + 0.999)]
    }' >>"$tmp/results"
}

configs=()
for size in "${sizes[@]}"; do
  configs+=("waggler $size")
  for n in ${BENCH_LP_THREADS:-}; do configs+=("waggler-lp$n $size"); done
  configs+=("gltext $size" "xdaliclock $size")
done

read_load
load_start=$load
# Odd rounds run the list forwards, even rounds backwards, so no program always goes first.
for ((round = 1; round <= rounds; round++)); do
  order=("${configs[@]}")
  if ((round % 2 == 0)); then
    order=()
    for ((i = ${#configs[@]} - 1; i >= 0; i--)); do order+=("${configs[i]}"); done
  fi
  for config in "${order[@]}"; do
    read -r what size <<<"$config"
    say "round $round/$rounds: $what at $size"
    launch "$what" "$size"
    measure "$what@$size"
  done
done

# Where the clock's time goes, by library: one sampled profile per size.
profile_note="perf sampled all threads for ${seconds} s"
if perf record -q -o "$tmp/probe.data" -- true >/dev/null 2>&1; then
  for size in "${sizes[@]}"; do
    say "profile: waggler at $size"
    launch waggler "$size"
    sleep "$warmup"
    perf record -q -F 999 -p "$pid" -o "$tmp/perf.data" -- sleep "$seconds" >/dev/null 2>&1
    stop
    perf report -i "$tmp/perf.data" --stdio --sort dso -q 2>/dev/null |
      awk -v c="waggler@$size" -v own="$(basename "$program")" '
        $1 ~ /%$/ {
          share = $1; sub(/%/, "", share); dso = $2
          if (dso == own) group = "own"
          else if (dso ~ /^\[kernel/) group = "kernel"
          else if (dso ~ /^lib(GL|GLX|GLU|GLdispatch|EGL|glapi|gallium|LLVM|drm)|_dri\.so$|^\[unknown\]$|^\[JIT\]/)
            group = "gl"
          else if (dso ~ /^lib(SDL2|X|xcb|xkbcommon)/) group = "sdlx"
          else { group = "other"; if (share >= 0.5) names = names (names ? ", " : "") dso }
          sum[group] += share
        }
        END {
          split("own gl sdlx kernel other", groups, " ")
          for (g = 1; g <= 5; g++) printf "%s prof_%s %.2f\n", c, groups[g], sum[groups[g]]
          if (names) printf "%s prof_names %s\n", c, names
        }' >>"$tmp/results"
  done
else
  profile_note="perf could not run here (kernel.perf_event_paranoid is $(cat /proc/sys/kernel/perf_event_paranoid))"
fi

# Start-up, exec to the end of the first swap, at the default window; the first start only
# warms the shader cache.
say "start-up: $starts starts"
for ((i = 0; i <= starts; i++)); do
  rm -f "$tmp/phases"
  (
    export LD_PRELOAD="$tmp/frame_counter.so" BENCH_PHASE_FILE="$tmp/phases"
    now_us
    export BENCH_EXEC_US=$now
    exec "$program" >/dev/null 2>&1
  ) &
  pid=$!
  for _ in $(seq 200); do [[ -s $tmp/phases ]] && break; sleep 0.05; done
  stop
  [[ -s $tmp/phases ]] || { say "the clock drew no frame"; exit 1; }
  ((i > 0)) && awk '$1 == "windows" { print "start windows", $2 " asked, " $3 " made"; next }
    { total += $2; print "start", $1, $2 / 1000 } END { print "start total", total / 1000 }' \
    "$tmp/phases" >>"$tmp/results"
  sleep 0.5
done

say "frame cost and glyph lists"
"$bench_dir/frame_cost" "${sizes[@]}" | awk 'NR > 1 { print "frame " $1, $2 }' >>"$tmp/results"
"$bench_dir/glyph_build" 20 | awk '
  /^first build/ { print "glyphs first", $(NF - 1) }
  /^median of/ { print "glyphs again", $(NF - 1) }
  /^outline triangles/ { print "glyphs triangles", $3 }' >>"$tmp/results"
read_load

# The table: one row per figure, one column per size.
awk -v sizes="${sizes[*]}" -v rounds="$rounds" -v seconds="$seconds" -v starts="$starts" \
  -v note="$profile_note" -v lps="${BENCH_LP_THREADS:-}" "$sortn"'
  function fmt(x) {
    if (x == int(x) || x >= 100) return sprintf("%.0f", x)
    return x >= 10 ? sprintf("%.1f", x) : sprintf("%.2f", x)
  }
  function spread(key,   n, v, out) {
    if (!(key in values)) return "-"
    n = sortn(v, split(values[key], v, " "))
    out = fmt(v[int((n + 1) / 2)])
    if (n > 1) out = out " [" fmt(v[1]) "-" fmt(v[n]) "]"
    return out
  }
  function add(key, value) { values[key] = (key in values) ? values[key] " " value : value }
  function row(label, key, how,   i, line) {
    line = "| " label
    for (i = 1; i <= ns; i++) line = line " | " spread(key "@" size[i])
    print line " | " how " |"
  }
  function onerow(label, key, how,   i, line) {
    line = "| " label " | " spread(key)
    for (i = 2; i <= ns; i++) line = line " | -"
    print line " | " how " |"
  }
  $1 == "start" && $2 == "windows" { windows = $3 " " $4 " " $5 " " $6; next }
  $1 == "start" { add("start_" $2, $3); next }
  $1 == "frame" { add("frame@" $2, $3); next }
  $1 == "glyphs" { add("glyphs_" $2, $3); next }
  $2 == "prof_names" { if (names == "") names = substr($0, index($0, "prof_names ") + 11); next }
  { split($1, part, "@"); add(part[1] "_" $2 "@" part[2], $3) }
  END {
    ns = split(sizes, size, " ")
    line = "| Figure"
    for (i = 1; i <= ns; i++) line = line " | " size[i]
    print line " | How |"
    line = "|---"
    for (i = 1; i <= ns; i++) line = line "|---"
    print line "|---|"
    np = split("waggler gltext xdaliclock", programs, " ")
    nl = split(lps, lp, " ")
    for (i = 1; i <= nl; i++) programs[++np] = "waggler-lp" lp[i]
    how["cpu"] = "% of one core: user+system ticks of all threads, /proc/PID/stat"
    how["wakeups"] = "per s: voluntary+involuntary context switches, all threads, /proc/PID/task/*/status"
    how["voluntary"] = "per s: voluntary context switches alone"
    how["threads"] = "at the end of the sample"
    how["rss"] = "MiB resident, /proc/PID/smaps_rollup"
    how["pss"] = "MiB proportional: shared pages divided among their users"
    how["fps"] = "presented frames per s: swaps counted by a preloaded library"
    how["gap50"] = "ms between presented frames, median"
    how["gap99"] = "ms between presented frames, 99th percentile"
    nf = split("cpu wakeups voluntary threads rss pss fps gap50 gap99", figures, " ")
    split("CPU|Wake-ups|Voluntary wake-ups|Threads|Resident|Proportional|Frames/s|Frame interval median|Frame interval p99", labels, "|")
    for (f = 1; f <= nf; f++)
      for (p = 1; p <= np; p++) {
        name = programs[p]
        sub(/^waggler-lp/, "waggler, LP_NUM_THREADS=", name)
        row(labels[f] ", " name, programs[p] "_" figures[f],
            p == 1 ? how[figures[f]] " (" seconds " s, " rounds " rounds, order alternated)" : "")
      }
    split("own gl sdlx kernel other", groups, " ")
    split("its own code|GL, GLU and Mesa, with its compiled shaders|SDL and X|the kernel|" (names != "" ? "other, mostly " names : "other"), glabels, "|")
    for (g = 1; g <= 5; g++)
      row("Profile of waggler: " glabels[g], "waggler_prof_" groups[g], g == 1 ? "% of samples: " note : "")
    onerow("Start-up, exec to the end of the first swap", "start_total",
           "ms, median [min-max] of " starts " starts, warm shader cache, default window; windows " windows)
    np = split("loaded video context lists shown tick first_swap", phases, " ")
    split("libraries loaded|SDL video|window and GL context|glyph lists|textures, window shown|waiting for the first 20 ms tick|first frame drawn and swapped", plabels, "|")
    for (p = 1; p <= np; p++) onerow("- " plabels[p], "start_" phases[p], "ms")
    row("One frame drawn offscreen", "frame", "ms, numerals and digital time shown: bench/frame_cost")
    onerow("Glyph lists, first build with font mapping", "glyphs_first",
           "ms, 256 bitmap and 255 outline lists: bench/glyph_build")
    onerow("Glyph lists, built again", "glyphs_again", "ms, median of 20; " values["glyphs_triangles"] " outline triangles")
  }' "$tmp/results"
echo
BENCH_SECONDS=$seconds BENCH_ROUNDS=$rounds "$here/hack.sh" "$(dirname "$program")/saver/linux/wagglersaver"
read_load
echo
echo "Load average (1 min) $load_start at the start, $load at the end; $(nproc) cores, $(
  grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')."

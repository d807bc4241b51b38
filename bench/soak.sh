#!/usr/bin/env bash
# Soak runs in a private virtual X server: hours of a program's life in one sitting, judged on its
# memory after a warm-up, GL errors, threads, open files, frame rate and how it ends.
#   bench/soak.sh [MINUTES] [PROGRAM]                  the clock under random input
#   bench/soak.sh --clock-speed N [MINUTES] [PROGRAM]  the same, its wall clock N times faster
#   bench/soak.sh --hack [MINUTES] [HACK]              the screensaver hack: its options, one long run
# MINUTES defaults to 30; PROGRAM to the clock's GL-checking variant, HACK to wagglersaver.
# shellcheck source-path=SCRIPTDIR source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

usage() {
  sed -n 's/^#   bench/usage: bench/p' "$here/soak.sh" >&2
  exit 64
}
mode=clock speed=1
case ${1:-} in
  --hack) mode=hack && shift ;;
  --clock-speed)
    [[ ${2:-} =~ ^[0-9]+([.][0-9]+)?$ ]] || usage
    speed=$2
    shift 2
    ;;
  -*) usage ;;
esac
minutes=${1:-30}
if [[ $mode == hack ]]; then
  program=${2:-$root/build/linux/saver/linux/wagglersaver}
else
  program=${2:-$root/build/linux/waggler-check-gl}
fi
[[ $minutes =~ ^[0-9]+([.][0-9]+)?$ ]] || usage
awk -v s="$speed" 'BEGIN { exit !(s > 0) }' || usage
soak_s=$(awk -v m="$minutes" 'BEGIN { printf "%d", m * 60 + 0.5 }')
((soak_s > 0)) || usage
[[ -x $program && -f $program ]] || { echo "soak: no program at $program" >&2; exit 66; }
program=$(realpath "$program")

# The hack fills the screen, and a smaller one leaves the two cores of the machine the figures were
# taken on some room: the soak is about its life, not its speed (bench/hack.sh times it).
if [[ $mode == hack ]]; then
  private_x soak 800x600x24
else
  private_x soak 1024x768x24
fi
build_frame_counter
read -r load_start _ </proc/loadavg

# The frame rate each minute after the warm-up must average this much, no minute under half.
min_fps=${SOAK_MIN_FPS:-40}
# The anonymous memory in the reference samples after the warm-up may rise this much (MiB)
# from the first to the last, and by this much an hour along their least-squares line.
growth_limit=${SOAK_GROWTH_LIMIT:-1}
slope_limit=${SOAK_SLOPE_LIMIT:-1}

# Time and sleeps without a process each: the loops run for hours.
now() {
  local micro=${EPOCHREALTIME/./}
  now_ms=$((10#$micro / 1000))
}
pause_ms() {
  local seconds
  printf -v seconds '%d.%03d' $(($1 / 1000)) $(($1 % 1000))
  sleep "$seconds"
}
# Polls a condition every 0.1 s until it holds or the deadline (in seconds) passes.
wait_until() {
  local deadline
  now
  deadline=$((now_ms + $1 * 1000))
  shift
  until "$@"; do
    now
    ((now_ms < deadline)) || return 1
    sleep 0.1
  done
}
# A zombie still answers kill -0, so look at its state.
running() {
  local state
  read -r _ _ state _ 2>/dev/null <"/proc/$pid/stat" || return 1
  [[ $state != Z ]]
}
exited() { ! running; }
find_window() {
  local name=$1
  found=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n 1) || true
  [[ -n $found ]]
}

# Memory, threads and open files of $pid; a sample that cannot be read leaves the last standing.
# The kernel writes the status afresh for each read, and the shell reads it in pieces, so a value
# that changes length between two pieces can tear a line: such a read is tried again.
sample() {
  local key value rest entries rss anon count tries
  for ((tries = 0; tries < 3; tries++)); do
    rss='' anon='' count=''
    while read -r key value rest; do
      case $key in
        VmRSS:) rss=$value ;;
        RssAnon:) anon=$value ;;
        Threads:) count=$value ;;
      esac
    done 2>/dev/null <"/proc/$pid/status" || return 1
    [[ -n $rss && -n $anon && -n $count ]] && break
  done
  [[ -n $rss && -n $anon && -n $count ]] || return 1
  entries=("/proc/$pid/fd/"*)
  rss_kb=$rss anon_kb=$anon threads=$count open_files=${#entries[@]}
}
# Memory changes within each frame, and the clock and the hack give freed memory back every 5 s,
# so a single reading lands either just after that or a frame's worth of memory (about 1 MiB)
# above: the middle anonymous memory of samples every half second over $1 seconds (its resident
# size beside it), which is the state the program spends most of its time in, with threads and
# open files at their highest, so that a rise is never hidden. (The least of them was one state
# or the other by chance: flat runs read as growing by 1 MiB.)
typical_sample() {
  local i count=$(($1 * 2 + 1)) most_threads most_files
  local -a readings=()
  for ((i = 0; i < count; i++)); do
    ((i == 0)) || pause_ms 500
    sample || return 1
    readings+=("$anon_kb $rss_kb")
    ((i == 0 || threads > most_threads)) && most_threads=$threads
    ((i == 0 || open_files > most_files)) && most_files=$open_files
  done
  read -r anon_kb rss_kb < <(printf '%s\n' "${readings[@]}" | sort -n | sed -n "$((count / 2 + 1))p")
  threads=$most_threads open_files=$most_files
}
frames_so_far() {
  frames=0
  [[ -s $frame_file ]] && read -r frames <"$frame_file"
  return 0
}
log_sample() {
  frames_so_far
  now
  awk -v t=$((now_ms - soak_start)) -v r="$rss_kb" -v a="$anon_kb" -v th="$threads" \
    -v f="$open_files" -v fr="$frames" -v tag="${1:-}" 'BEGIN {
      printf "%6.1f min  rss %6.1f MiB (anonymous %5.1f)  threads %2d  open files %3d  frames %d%s\n",
        t / 60000, r / 1024, a / 1024, th, f, fr, tag == "" ? "" : "  (" tag ")" }'
}
# Every sample as "ms rss anonymous threads files frames tag" for the verdict: tag "-" for the
# minutes, "warm" for the reference sample that ends the warm-up, "ref" for those after it and
# "end" for the last.
record_sample() {
  log_sample "${1/-/}"
  echo "$((now_ms - soak_start)) $rss_kb $anon_kb $threads $open_files $frames $1" >>"$tmp/samples"
}
: >"$tmp/samples"

failures=()
warm_end='' warm_how=''
# Ends the warm-up with a sample in the mode's reference state (reference_sample, below).
end_warmup() {
  reference_sample warm || return 1
  warm_end=$((now_ms - soak_start)) warm_how=$1
  echo "soak: warm-up over: $warm_how"
  next_sample=$((now_ms + 60000))
}

if [[ $mode == hack ]]; then
  # shellcheck source=soak_hack.sh
  source "$here/soak_hack.sh"
else
  # shellcheck source=soak_clock.sh
  source "$here/soak_clock.sh"
fi

# The verdict on the samples: the warm-up left, the trend of the reference samples' anonymous
# memory, threads and open files held, the frame rate kept. Lines "fail REASON" are failures.
read -r load_end _ </proc/loadavg
echo "load average     $load_start at the start, $load_end at the end ($(nproc) cores)"
verdict=$(awk -v speed="$speed" -v min_fps="$min_fps" -v growth_limit="$growth_limit" \
  -v slope_limit="$slope_limit" -f "$here/soak_verdict.awk" "$tmp/samples")
while IFS= read -r line; do
  if [[ $line == "fail "* ]]; then
    failures+=("${line#fail }")
  else
    echo "$line"
  fi
done <<<"$verdict"

if ((${#failures[@]})); then
  printf 'FAIL: %s\n' "${failures[@]}"
  if [[ -s $program_log ]]; then
    echo "--- last lines of the program's output ---"
    tail -n 20 "$program_log"
  fi
  exit 1
fi
echo "PASS"

#!/usr/bin/env bash
# Soak test of the Linux clock: random keys, wheel and right-drags in a private virtual X server
# for a while, counting frames and watching memory, threads and open files, then quitting it
# through its own quit question. PROGRAM defaults to the GL-checking variant, which reports GL
# errors on its output. Usage: bench/soak.sh [MINUTES] [PROGRAM]
set -euo pipefail
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
minutes=${1:-30}
program=${2:-$root/build/linux/waggler-check-gl}

usage() {
  echo "usage: bench/soak.sh [MINUTES] [PROGRAM]" >&2
  exit 64
}
[[ $minutes =~ ^[0-9]+([.][0-9]+)?$ ]] || usage
soak_s=$(awk -v m="$minutes" 'BEGIN { printf "%d", m * 60 + 0.5 }')
((soak_s > 0)) || usage
[[ -x $program && -f $program ]] || { echo "soak: no program at $program" >&2; exit 66; }

source "$here/private_x.sh"
private_x soak 1024x768x24

# Time and sleeps without a process each: the loop below runs for half an hour.
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
clock_shown_or_gone() { find_window '^Waggler$' || ! running; }
focus() { timeout 5 xdotool windowfocus --sync "$1" >/dev/null 2>&1; }

sample() {
  local key value rest entries
  rss_kb=
  anon_kb=
  threads=
  while read -r key value rest; do
    case $key in
      VmRSS:) rss_kb=$value ;;
      RssAnon:) anon_kb=$value ;;
      Threads:) threads=$value ;;
    esac
  done 2>/dev/null <"/proc/$pid/status" || return 1
  entries=("/proc/$pid/fd/"*)
  open_files=${#entries[@]}
  [[ -n $rss_kb && -n $anon_kb && -n $threads ]]
}
frames_so_far() {
  frames=0
  [[ -s $tmp/frames ]] && read -r frames <"$tmp/frames"
  return 0
}
log_sample() {
  frames_so_far
  now
  awk -v t=$((now_ms - soak_start)) -v r="$rss_kb" -v a="$anon_kb" -v th="$threads" \
    -v f="$open_files" -v fr="$frames" 'BEGIN {
      printf "%6.1f min  rss %6.1f MiB (anonymous %5.1f)  threads %2d  open files %3d  frames %d\n",
        t / 60000, r / 1024, a / 1024, th, f, fr }'
}

cc -shared -fPIC -O2 -Wall -o "$tmp/frame_counter.so" "$here/frame_counter.c" -ldl

now
launched=$now_ms
LIBGL_ALWAYS_SOFTWARE=1 LD_PRELOAD="$tmp/frame_counter.so" SOAK_FRAME_FILE="$tmp/frames" \
  "$program" >"$tmp/clock.log" 2>&1 &
pid=$!
echo "soak: $program for $minutes min on display $DISPLAY"

if ! wait_until 30 clock_shown_or_gone || ! running; then
  echo "soak: the clock window did not appear" >&2
  tail -n 20 "$tmp/clock.log" >&2
  exit 1
fi
window=$found
# No window manager runs here, so nobody else would give the clock the keyboard.
focus "$window" || echo "soak: focusing the clock window did not confirm"
while IFS='=' read -r key value; do
  case $key in
    WIDTH) width=$value ;;
    HEIGHT) height=$value ;;
  esac
done < <(xdotool getwindowgeometry --shell "$window")

# Start-up allocations settle in the first seconds; measure after them.
sleep 5
now
soak_start=$now_ms
sample || { echo "soak: the clock died during start-up" >&2; exit 1; }
rss_start=$rss_kb anon_start=$anon_kb threads_start=$threads files_start=$open_files
rss_five=
anon_five=
log_sample

option_keys=(a c d i r s t 1 2 3 4 5 6 7 8 9)
modifiers=("" "shift+" "ctrl+")
refocused=0
taps=0 holds=0 wheels=0 drags=0
minute=0
soak_end=$((soak_start + soak_s * 1000))
next_sample=$((soak_start + 60000))
next_focus_check=$((soak_start + 10000))
dolly_keys=(comma period)
# A point inside the window, clear of its edges, in px and py (no subshell: RANDOM must advance).
pick_point() {
  px=$((10 + RANDOM % (width - 20)))
  py=$((10 + RANDOM % (height - 20)))
}

# Return and Escape stay out: either asks the quit question. Errors from xdotool are dropped:
# they come only once the window has gone, which the loop notices itself.
while running; do
  now
  ((now_ms < soak_end)) || break
  if ((now_ms >= next_sample)); then
    sample || break
    log_sample
    minute=$((minute + 1))
    ((minute == 5)) && rss_five=$rss_kb anon_five=$anon_kb
    next_sample=$((next_sample + 60000))
  fi
  if ((now_ms >= next_focus_check)); then
    if [[ $(xdotool getwindowfocus 2>/dev/null || true) != "$window" ]]; then
      refocused=$((refocused + 1))
      focus "$window" || true
    fi
    next_focus_check=$((now_ms + 10000))
  fi
  case $((RANDOM % 10)) in
    0 | 1 | 2 | 3)
      xdotool key "${option_keys[RANDOM % ${#option_keys[@]}]}" 2>/dev/null || true
      taps=$((taps + 1))
      ;;
    4 | 5)
      held=${modifiers[RANDOM % 3]}${dolly_keys[RANDOM % 2]}
      ms=$((100 + RANDOM % 901))
      printf -v hold '%d.%03d' $((ms / 1000)) $((ms % 1000))
      xdotool keydown "$held" sleep "$hold" keyup "$held" 2>/dev/null || true
      holds=$((holds + 1))
      ;;
    6 | 7)
      pick_point
      xdotool mousemove --window "$window" "$px" "$py" \
        click --repeat $((1 + RANDOM % 5)) --delay 40 $((4 + RANDOM % 2)) 2>/dev/null || true
      wheels=$((wheels + 1))
      ;;
    8 | 9)
      pick_point
      drag=(mousemove --window "$window" "$px" "$py" mousedown 3)
      for ((step = 2 + RANDOM % 5; step > 0; step--)); do
        pick_point
        drag+=(sleep 0.04 mousemove --window "$window" "$px" "$py")
      done
      xdotool "${drag[@]}" sleep 0.04 mouseup 3 2>/dev/null || true
      drags=$((drags + 1))
      ;;
  esac
  pause_ms $((50 + RANDOM % 451))
done

now
soak_ms=$((now_ms - soak_start))
crashed_during_soak=no
if running && sample; then
  log_sample
else
  crashed_during_soak=yes
fi
rss_end=$rss_kb anon_end=$anon_kb threads_end=$threads files_end=$open_files
five_label="after 5 min"
if [[ -z $rss_five ]]; then
  rss_five=$rss_end anon_five=$anon_end
  five_label="after 5 min (= end)"
fi

quit_note=
if [[ $crashed_during_soak == no ]]; then
  focus "$window" || true
  xdotool key Escape || true
  if wait_until 10 find_window '^Quit Program$'; then
    box=$found
    focus "$box" || true
    xdotool key Return || true
    wait_until 10 exited || quit_note="still running 10 s after answering Yes; killed"
  else
    quit_note="no quit question within 10 s; killed"
  fi
  if [[ -n $quit_note ]]; then
    kill -TERM "$pid" 2>/dev/null || true
    wait_until 5 exited || kill -KILL "$pid" 2>/dev/null || true
  fi
fi
exit_code=0
wait "$pid" || exit_code=$?
pid=
now
lifetime_ms=$((now_ms - launched))
frames_so_far
gl_errors=$(grep -c 'GL error' "$tmp/clock.log" || true)

if [[ -n $quit_note ]]; then
  how="$quit_note (status $exit_code)"
elif ((exit_code > 128)); then
  how="died of signal SIG$(kill -l $((exit_code - 128)))"
elif ((exit_code == 2)); then
  how="code 2 (normal quit)"
else
  how="code $exit_code"
fi
[[ $crashed_during_soak == yes ]] && how="died during the soak: $how"

failures=()
if ((exit_code > 128)) && [[ -z $quit_note ]]; then
  failures+=("crashed (SIG$(kill -l $((exit_code - 128))))")
elif [[ $crashed_during_soak == yes ]]; then
  failures+=("exited during the soak with status $exit_code")
elif [[ -n $quit_note ]]; then
  failures+=("did not quit: $quit_note")
elif ((exit_code != 2)); then
  failures+=("exit status $exit_code, not 2")
fi
((gl_errors > 0)) && failures+=("GL errors")
# A leak grows anonymous memory (heap, private maps). The rest of the resident set is library
# pages read in from their files, which grows as Mesa's compiler meets new shader variants
# and is given back to the files under pressure.
((anon_end - anon_five >= 2048)) &&
  failures+=("anonymous memory grew by 2 MiB or more after five minutes")
((refocused > 0)) && echo "soak: the clock lost the keyboard focus $refocused time(s); given back"

awk -v m="$soak_ms" -v fr="$frames" -v life="$lifetime_ms" -v gl="$gl_errors" \
  -v r0="$rss_start" -v r5="$rss_five" -v r1="$rss_end" -v t0="$threads_start" \
  -v a0="$anon_start" -v a5="$anon_five" -v a1="$anon_end" \
  -v t1="$threads_end" -v f0="$files_start" -v f1="$files_end" -v how="$how" \
  -v five="$five_label" -v input="$taps taps, $holds held dolly keys, $wheels wheel turns, $drags drags" 'BEGIN {
  printf "\n%-16s %.1f\n", "minutes run", m / 60000
  printf "%-16s %d (%.1f per second)\n", "frames drawn", fr, fr / (life / 1000)
  printf "%-16s %s\n", "input sent", input
  printf "%-16s %d\n", "GL errors", gl
  printf "%-16s start %.1f MiB, %s %.1f MiB, end %.1f MiB\n", "resident memory",
    r0 / 1024, five, r5 / 1024, r1 / 1024
  printf "%-16s start %.1f MiB, %s %.1f MiB, end %.1f MiB\n", "  anonymous",
    a0 / 1024, five, a5 / 1024, a1 / 1024
  printf "%-16s %+.2f MiB resident, %+.2f MiB anonymous\n", "growth after 5m",
    (r1 - r5) / 1024, (a1 - a5) / 1024
  printf "%-16s start %d, end %d\n", "threads", t0, t1
  printf "%-16s start %d, end %d\n", "open files", f0, f1
  printf "%-16s %s\n", "exit", how
}'

if ((${#failures[@]})); then
  printf 'FAIL: %s\n' "${failures[@]}"
  if [[ -s $tmp/clock.log ]]; then
    echo "--- last lines of the clock's output ---"
    tail -n 20 "$tmp/clock.log"
  fi
  exit 1
fi
echo "PASS"

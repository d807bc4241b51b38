#!/usr/bin/env bash
# Soak test of the Linux clock in a private virtual X server: a tour of every input state, then
# random keys, wheel and right-drags for a while, counting frames and watching memory, threads
# and open files, then quitting it through its own quit question. Memory is judged after the
# tour, in one reference state. PROGRAM defaults to the GL-checking variant, which reports GL
# errors on its output. Usage: bench/soak.sh [MINUTES] [PROGRAM]
# shellcheck source-path=SCRIPTDIR source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

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

# A sample that cannot be read leaves the last one standing.
sample() {
  local key value rest entries rss= anon= count=
  while read -r key value rest; do
    case $key in
      VmRSS:) rss=$value ;;
      RssAnon:) anon=$value ;;
      Threads:) count=$value ;;
    esac
  done 2>/dev/null <"/proc/$pid/status" || return 1
  [[ -n $rss && -n $anon && -n $count ]] || return 1
  entries=("/proc/$pid/fd/"*)
  rss_kb=$rss anon_kb=$anon threads=$count open_files=${#entries[@]}
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

build_frame_counter

# SOAK_LAUNCHER runs the program under a tool that starts it as its child (a heap profiler,
# say): memory is then read from that child, and the exit status is the tool's.
read -r -a launcher <<<"${SOAK_LAUNCHER:-}"
# The launched process, or the child of it (or of its children) that runs the program itself.
find_program() {
  local parent child exe
  local -a parents=("$launched_pid")
  while ((${#parents[@]})); do
    parent=${parents[0]}
    parents=("${parents[@]:1}")
    exe=$(readlink "/proc/$parent/exe" 2>/dev/null) || continue
    if [[ $exe == "$program_exe" ]]; then
      pid=$parent
      return 0
    fi
    for child in $(cat "/proc/$parent/task/"*/children 2>/dev/null); do parents+=("$child"); done
  done
  return 1
}
program_exe=$(readlink -f "$program")

now
launched=$now_ms
LIBGL_ALWAYS_SOFTWARE=1 LD_PRELOAD="$tmp/frame_counter.so" SOAK_FRAME_FILE="$tmp/frames" \
  "${launcher[@]}" "$program" >"$tmp/clock.log" 2>&1 &
launched_pid=$!
pid=$launched_pid
if ((${#launcher[@]})) && ! wait_until 60 find_program; then
  echo "soak: ${launcher[*]} did not start $program" >&2
  exit 1
fi
echo "soak: ${launcher[*]:+${launcher[*]} }$program for $minutes min on display $DISPLAY"

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
log_sample
# Every sample as "ms rss anonymous tag" for the table at the end: tag "-" for the minutes,
# "ref" for the samples taken in the reference state below.
record_sample() { echo "$((now_ms - soak_start)) $rss_kb $anon_kb $1" >>"$tmp/samples"; }
record_sample -

option_keys=(a c d i r s t 1 2 3 4 5 6 7 8 9)
modifiers=("" "shift+" "ctrl+")
refocused=0
taps=0 holds=0 wheels=0 drags=0 boxes=0
soak_end=$((soak_start + soak_s * 1000))
next_sample=$((soak_start + 60000))
next_focus_check=$((soak_start + 10000))
next_reference=
dolly_keys=(comma period)
# The warm-up ends once the tour below has reached every input state, or, should the tour fail,
# after this many minutes of random input.
warmup_fallback_ms=$(awk -v m="${SOAK_WARMUP_MINUTES:-20}" 'BEGIN { printf "%d", m * 60000 }')
warm_ms=$((soak_start + warmup_fallback_ms))
warm_end= warm_how=
reference_ms=600000
# A point inside the window, clear of its edges, in px and py (no subshell: RANDOM must advance).
pick_point() {
  px=$((10 + RANDOM % (width - 20)))
  py=$((10 + RANDOM % (height - 20)))
}

# The options as the keys sent have set them (1 shown or on), from the start-up values.
declare -A option=([a]=1 [d]=0 [i]=0 [r]=0 [s]=0 [t]=1) start_option=()
for k in "${!option[@]}"; do start_option[$k]=${option[$k]}; done
key() {
  local k
  for k in "$@"; do
    [[ -n ${option[$k]+set} ]] && option[$k]=$((1 - option[$k]))
  done
  xdotool key "$@" 2>/dev/null || true
}

# What a frame allocates and frees depends on what it draws, so memory is compared in one
# state: the start-up options and text size, the camera reset, held still for some seconds.
reference_sample() {
  local k
  for k in a d i r s t; do
    ((option[$k] == start_option[$k])) || key "$k"
  done
  key 4 c
  pause_ms 8000
  now
  sample || return 1
  log_sample
  record_sample ref
  next_reference=$((now_ms + reference_ms))
}

end_warmup() {
  reference_sample || return 1
  warm_end=$((now_ms - soak_start)) warm_how=$1
  rss_warm=$rss_kb anon_warm=$anon_kb
  echo "soak: warm-up over: $warm_how"
  # From here the samples fall on whole minutes after the warm-up.
  next_sample=$((now_ms + 60000))
}

# Between steps of the input: a sample each minute and one in the reference state every ten
# after the warm-up, the keyboard given back to the clock should it have lost it, and the end
# of the warm-up by time. Fails once the time is up, or earlier saying why in cut_short.
keep_watch() {
  cut_short=
  now
  if ((now_ms >= next_sample)); then
    sample || { cut_short="its memory could not be read"; return 1; }
    log_sample
    record_sample -
    next_sample=$((next_sample + 60000))
  fi
  if ((now_ms >= next_focus_check)); then
    if [[ $(xdotool getwindowfocus 2>/dev/null || true) != "$window" ]]; then
      refocused=$((refocused + 1))
      focus "$window" || true
    fi
    next_focus_check=$((now_ms + 10000))
  fi
  ((now_ms < soak_end)) || return 1
  if [[ -z $warm_end ]] && ((now_ms >= warm_ms)); then
    end_warmup "$(awk -v m="$warmup_fallback_ms" 'BEGIN { printf "%g", m / 60000 }') min of random input (${tour_failed:-no tour})" ||
      { cut_short="no sample in the reference state at the end of the warm-up"; return 1; }
  fi
  if [[ -n $next_reference ]] && ((now_ms >= next_reference)); then
    reference_sample || { cut_short="no sample in the reference state"; return 1; }
  fi
  running || { cut_short="it was not seen running"; return 1; }
}

# Some frames of the state just reached: 0.4 s, 20 ticks.
dwell() {
  pause_ms 400
  keep_watch
}
hold() {
  xdotool keydown "$1" sleep "$2" keyup "$1" 2>/dev/null || true
  keep_watch
}
# A right-button drag through the points given as x y pairs, in window coordinates.
drag_through() {
  local -a drag=(mousemove --window "$window" "$1" "$2" mousedown 3)
  shift 2
  while (($#)); do
    drag+=(sleep 0.04 mousemove --window "$window" "$1" "$2")
    shift 2
  done
  xdotool "${drag[@]}" sleep 0.04 mouseup 3 2>/dev/null || true
  keep_watch
}
wheel() {
  xdotool mousemove --window "$window" $((width / 2)) $((height / 2)) \
    click --repeat "$2" --delay 40 "$1" 2>/dev/null || true
  keep_watch
}
box_gone() { ! find_window '^Quit Program$'; }
# Asks the quit question with key $1 and answers No with key $2 (N or Escape).
ask_and_decline() {
  focus "$window" || true
  key "$1"
  wait_until 10 find_window '^Quit Program$' || return 1
  focus "$found" || true
  key "$2"
  wait_until 10 box_gone || return 1
  boxes=$((boxes + 1))
  focus "$window" || true
  keep_watch
}

# A tour of every input state, so that the warm-up ends within minutes: each of the 64
# combinations of the six option keys (one key at a time, in Gray-code order) at a text size
# that cycles through all nine; all nine sizes again with the numerals and the digital time
# shown, in Arabic and in Roman numerals; the camera dollied through the face and far out with
# each modifier and the wheel, the scene turned round by drags, the camera reset; the quit
# question asked with either key and declined with either answer.
tour() {
  local i gray previous=0 changed bit letters=(a d i r s t) size roman
  for ((i = 1; i < 64; i++)); do
    gray=$((i ^ (i >> 1)))
    changed=$((gray ^ previous)) previous=$gray
    for ((bit = 0; changed > 1; bit++)); do changed=$((changed >> 1)); done
    key "${letters[bit]}" $((1 + i % 9))
    dwell || return 1
  done
  # Back to the start-up options (numerals shown, digital time hidden), then the time shown.
  key t i
  for roman in 0 1; do
    for size in 1 2 3 4 5 6 7 8 9; do
      key "$size"
      dwell || return 1
    done
    key r
  done
  key 4 c
  dwell || return 1
  local modifier
  for modifier in "" shift+ ctrl+; do
    hold "${modifier}period" 1.5 || return 1
    dwell || return 1
    hold "${modifier}comma" 3 || return 1
    dwell || return 1
    key c
  done
  hold ctrl+comma 4 || return 1
  wheel 5 20 || return 1
  wheel 4 40 || return 1
  wheel 4 60 || return 1
  dwell || return 1
  key c
  # About 100 degrees a sweep: twice round about each axis, then both at once.
  local x0=$((width / 8)) x1=$((width * 7 / 8)) y0=$((height / 8)) y1=$((height * 7 / 8))
  for i in 1 2 3 4 5 6 7 8; do
    drag_through "$x0" $((height / 2)) $((width / 2)) $((height / 2)) "$x1" $((height / 2)) || return 1
  done
  for i in 1 2 3 4 5 6 7 8; do
    drag_through $((width / 2)) "$y0" $((width / 2)) $((height / 2)) $((width / 2)) "$y1" || return 1
  done
  for i in 1 2 3 4 5 6 7 8; do
    drag_through "$x0" "$y0" $((width / 2)) $((height / 2)) "$x1" "$y1" || return 1
  done
  key d
  pause_ms 5000
  key d c
  dwell || return 1
  ask_and_decline Escape n || { tour_failed="no quit question, or no answer, for Escape"; return 0; }
  ask_and_decline Return Escape || { tour_failed="no quit question, or no answer, for Return"; return 0; }
  key 4
  dwell && tour_done=yes
}
tour_failed= tour_done=
tour || true
if [[ -n $tour_done && -z $tour_failed && -z $warm_end ]] && running; then
  end_warmup "every input state reached by the tour" || true
fi

# Return and Escape mostly stay out: either asks the quit question, which is answered No now
# and then. Errors from xdotool are dropped: they come only once the window has gone, which the
# loop notices itself.
while keep_watch; do
  if ((RANDOM % 300 == 0)); then
    asks=(Escape Return) answers=(n Escape)
    ask_and_decline "${asks[RANDOM % 2]}" "${answers[RANDOM % 2]}" ||
      echo "soak: the quit question did not come and go at $(((now_ms - soak_start) / 60000)) min"
    continue
  fi
  case $((RANDOM % 10)) in
    0 | 1 | 2 | 3)
      key "${option_keys[RANDOM % ${#option_keys[@]}]}"
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

if [[ -n $cut_short ]]; then
  now
  echo "soak: the input stopped at $(((now_ms - soak_start) / 60000)) of $minutes min: $cut_short"
fi
crashed_during_soak=no
if running && [[ -n $warm_end ]] && reference_sample; then
  :
elif running && sample; then
  log_sample
elif running; then
  cut_short=${cut_short:-"its memory could not be read at the end"}
else
  crashed_during_soak=yes
fi
soak_ms=$((now_ms - soak_start))
rss_end=$rss_kb anon_end=$anon_kb threads_end=$threads files_end=$open_files

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
wait "$launched_pid" || exit_code=$?
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
[[ -n $cut_short && $crashed_during_soak == no ]] &&
  failures+=("the input stopped before its time: $cut_short")
((gl_errors > 0)) && failures+=("GL errors")
# A leak grows anonymous memory (heap, private maps). The rest of the resident set is library
# pages read in from their files, which grows as Mesa's compiler meets new shader variants
# and is given back to the files under pressure. Growth counts only after the warm-up, once
# every cache that input can fill has met its every state.
growth_limit_kb=1024
if [[ -n $warm_end && $crashed_during_soak == no ]]; then
  ((anon_end - anon_warm >= growth_limit_kb)) &&
    failures+=("anonymous memory grew by 1 MiB or more after the warm-up")
  memory_verdict=judged
else
  memory_verdict="not judged: the run ended within its warm-up"
fi
((refocused > 0)) && echo "soak: the clock lost the keyboard focus $refocused time(s); given back"

awk -v m="$soak_ms" -v fr="$frames" -v life="$lifetime_ms" -v gl="$gl_errors" \
  -v r0="$rss_start" -v rw="${rss_warm:-}" -v r1="$rss_end" -v t0="$threads_start" \
  -v a0="$anon_start" -v aw="${anon_warm:-}" -v a1="$anon_end" -v wt="${warm_end:-}" \
  -v t1="$threads_end" -v f0="$files_start" -v f1="$files_end" -v how="$how" \
  -v whow="${warm_how:-}" -v verdict="$memory_verdict" \
  -v input="$taps taps, $holds held dolly keys, $wheels wheel turns, $drags drags, $boxes quit questions declined" 'BEGIN {
  printf "\n%-16s %.1f\n", "minutes run", m / 60000
  printf "%-16s %d (%.1f per second)\n", "frames drawn", fr, fr / (life / 1000)
  printf "%-16s %s\n", "input sent", input
  printf "%-16s %d\n", "GL errors", gl
  if (wt == "") {
    printf "%-16s %s\n", "warm-up", "not over by the end of the run"
    printf "%-16s start %.1f MiB, end %.1f MiB\n", "resident memory", r0 / 1024, r1 / 1024
    printf "%-16s start %.1f MiB, end %.1f MiB\n", "  anonymous", a0 / 1024, a1 / 1024
  } else {
    printf "%-16s over at %.1f min: %s\n", "warm-up", wt / 60000, whow
    printf "%-16s start %.1f MiB, after warm-up %.1f MiB, end %.1f MiB\n", "resident memory",
      r0 / 1024, rw / 1024, r1 / 1024
    printf "%-16s start %.1f MiB, after warm-up %.1f MiB, end %.1f MiB\n", "  anonymous",
      a0 / 1024, aw / 1024, a1 / 1024
  }
  printf "%-16s start %d, end %d\n", "threads", t0, t1
  printf "%-16s start %d, end %d\n", "open files", f0, f1
  printf "%-16s %s\n", "exit", how
}'
# The memory over the rest of the run, in steps of 10 minutes and of an hour from the end of the
# warm-up, in the reference state; the last step is cut short by the end of the run.
if [[ $memory_verdict == judged ]]; then
  for step in 1 6; do
    awk -v step="$step" -v last="$(grep -c ' ref$' "$tmp/samples")" '
      function line(t, r, a) {
        printf "  %5.1f to %5.1f min   anonymous %5.1f to %5.1f MiB (%+.2f)   resident %+.2f\n",
          t0 / 60000, t / 60000, a0 / 1024, a / 1024, (a - a0) / 1024, (r - r0) / 1024
        t0 = t; r0 = r; a0 = a
      }
      $4 != "ref" { next }
      { n++ }
      n == 1 { t0 = $1; r0 = $2; a0 = $3; next }
      n == 2 { printf "after the warm-up, every %d min in the reference state:\n", 10 * step }
      (n - 1) % step == 0 || n == last { line($1, $2, $3) }
    ' "$tmp/samples"
  done
  awk -v a="$((anon_end - anon_warm))" -v r="$((rss_end - rss_warm))" -v m="$(((soak_ms - warm_end)))" \
    -v limit="$growth_limit_kb" 'BEGIN {
    printf "%-16s %+.2f MiB anonymous, %+.2f MiB resident over %.1f min (limit +%g MiB anonymous)\n",
      "after warm-up", a / 1024, r / 1024, m / 60000, limit / 1024 }'
else
  echo "memory           $memory_verdict"
fi

if ((${#failures[@]})); then
  printf 'FAIL: %s\n' "${failures[@]}"
  if [[ -s $tmp/clock.log ]]; then
    echo "--- last lines of the clock's output ---"
    tail -n 20 "$tmp/clock.log"
  fi
  exit 1
fi
echo "PASS"

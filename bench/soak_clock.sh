# Sourced by bench/soak.sh for the clock: a tour of every input state, which ends the warm-up, then
# random keys, wheel and right-drags, and the clock quit through its own question. Memory is
# sampled in one reference state, whose picture is checked on screen against the one taken at
# the end of the warm-up. The clock runs under libfaketime: its wall clock is real (or `speed`
# times faster), and held at one instant while each reference picture is taken, so the dance, the
# hour and the digital time stand the same in all of them.
# shellcheck shell=bash disable=SC2154 # the variables shared with soak.sh are set there

libfaketime=
for candidate in /usr/lib/*/faketime/libfaketime.so.1 /usr/lib/faketime/libfaketime.so.1; do
  [[ -f $candidate ]] && libfaketime=$candidate && break
done
[[ -n $libfaketime ]] || { echo "soak: libfaketime is missing (Debian package faketime)" >&2; exit 69; }
cc -shared -fPIC -O2 -Wall -o "$tmp/clock_watch.so" "$here/clock_watch.c" -ldl

program_log=$tmp/clock.log
frame_file=$tmp/frames
watch_file=$tmp/watch
time_file=$tmp/faketime
# Local time is UTC for the clock and for this script alike, so both name the same hours.
export TZ=UTC
# At a speed, the clock's day starts ten minutes before midnight, so that the seconds its start-up
# and the held pictures take are made good at the end of a day's run; else its wall clock is the
# real one.
day_start_s=$(($(date -d "2024-05-06 00:00:00" +%s) - 600))

# The clock's wall clock through libfaketime's file, which it reads at every call. Running: "+0"
# (the real time), or at a speed from start_s on at based_ms. Held: one instant, a date alone.
write_time_file() {
  echo "$1" >"$time_file.part" && mv "$time_file.part" "$time_file"
}
run_clock_from() {
  now
  clock_start_s=$1 clock_based_ms=$now_ms
  write_time_file "@$(date -d "@$1" '+%Y-%m-%d %H:%M:%S') x$speed"
}
if [[ $speed == 1 ]]; then
  write_time_file "+0"
else
  run_clock_from "$day_start_s"
fi
# The instant each reference picture shows: 3:00 the day after the dance began (the bee runs across
# the dial, below the digital time), a few seconds on, in the later half of the dance's first
# waggle run (the bee far along it, the dance line long behind it).
held_instant=
hold_clock() {
  local start_ms base ahead into
  if [[ -z $held_instant ]]; then
    start_ms=$(awk '$1 == "dance_start_ms" { print $2 }' "$watch_file" 2>/dev/null)
    [[ -n $start_ms && $start_ms != -1 ]] || return 1
    base=$((start_ms / 1000 - start_ms / 1000 % 86400 + 86400 + 3 * 3600))
    for ((ahead = 0; ahead < 6; ahead++)); do
      into=$((((base + ahead) * 1000 - start_ms) % 6000))
      ((into >= 1000 && into < 2000)) && break
    done
    held_instant=$(date -d "@$((base + ahead))" '+%Y-%m-%d %H:%M:%S')
  fi
  now
  held_at_ms=$now_ms
  write_time_file "$held_instant"
}
# At a speed, the clock goes on from 2 s before where it was held (libfaketime takes the file at
# the clock's next reading, a frame later at most): no time of day is skipped.
release_clock() {
  if [[ $speed == 1 ]]; then
    write_time_file "+0"
  else
    run_clock_from "$(awk -v s="$clock_start_s" -v n="$speed" -v ms=$((held_at_ms - clock_based_ms)) \
      'BEGIN { printf "%d", s + n * ms / 1000 - 2 }')"
  fi
}

# SOAK_LAUNCHER runs the program under a tool that starts it as its child (a heap profiler, say):
# memory is then read from that child, and the exit status is the tool's.
read -r -a launcher <<<"${SOAK_LAUNCHER:-}"
# The launched process, or the child of it (or of its children) that runs the program itself.
find_program() {
  local parent child exe
  local -a parents=("$launched_pid")
  while ((${#parents[@]})); do
    parent=${parents[0]}
    parents=("${parents[@]:1}")
    exe=$(readlink "/proc/$parent/exe" 2>/dev/null) || continue
    if [[ $exe == "$program" ]]; then
      pid=$parent
      return 0
    fi
    for child in $(cat "/proc/$parent/task/"*/children 2>/dev/null); do parents+=("$child"); done
  done
  return 1
}

now
launched=$now_ms
# The watcher first, so that the wall clock it sees is the one libfaketime gives the clock.
LIBGL_ALWAYS_SOFTWARE=1 SOAK_FRAME_FILE="$frame_file" SOAK_WATCH_FILE="$watch_file" \
  SOAK_CLOCK_SPEED="$speed" FAKETIME_TIMESTAMP_FILE="$time_file" FAKETIME_NO_CACHE=1 \
  FAKETIME_DONT_FAKE_MONOTONIC=1 LD_PRELOAD="$tmp/clock_watch.so $libfaketime $tmp/frame_counter.so" \
  "${launcher[@]}" "$program" >"$program_log" 2>&1 &
launched_pid=$!
pid=$launched_pid
if ((${#launcher[@]})) && ! wait_until 60 find_program; then
  echo "soak: ${launcher[*]} did not start $program" >&2
  exit 1
fi
if [[ $speed == 1 ]]; then
  echo "soak: ${launcher[*]:+${launcher[*]} }$program for $minutes min on display $DISPLAY"
else
  echo "soak: ${launcher[*]:+${launcher[*]} }$program for $minutes min on display $DISPLAY, its wall clock $speed times faster from $(date -d "@$day_start_s" '+%Y-%m-%d %H:%M:%S')"
fi

clock_shown_or_gone() { find_window '^Waggler$' || ! running; }
focus() { timeout 5 xdotool windowfocus --sync "$1" >/dev/null 2>&1; }
if ! wait_until 30 clock_shown_or_gone || ! running; then
  echo "soak: the clock window did not appear" >&2
  tail -n 20 "$program_log" >&2
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

# The options as the keys sent have set them (1 shown or on), from the start-up values. At a
# speed the digital time stays shown throughout, so that each time of day is drawn.
declare -A option=([a]=1 [d]=0 [i]=0 [r]=0 [s]=0 [t]=1) reference_option=()
key() {
  local k
  for k in "$@"; do
    [[ -n ${option[$k]+set} ]] && option[$k]=$((1 - option[$k]))
  done
  xdotool key "$@" 2>/dev/null || true
}
option_keys=(a c d i r s t 1 2 3 4 5 6 7 8 9)
tour_letters=(a d i r s t)
if [[ $speed != 1 ]]; then
  key i
  option_keys=(a c d r s t 1 2 3 4 5 6 7 8 9)
  tour_letters=(a d r s t)
fi
for k in "${!option[@]}"; do reference_option[$k]=${option[$k]}; done

# Start-up allocations settle in the first seconds; measure after them.
sleep 5
now
soak_start=$now_ms
sample || { echo "soak: the clock died during start-up" >&2; exit 1; }
rss_start=$rss_kb anon_start=$anon_kb
record_sample -

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
reference_ms=600000
# A point inside the window, clear of its edges, in px and py (no subshell: RANDOM must advance).
pick_point() {
  px=$((10 + RANDOM % (width - 20)))
  py=$((10 + RANDOM % (height - 20)))
}

# The reference picture: the window as the end of the warm-up showed it; each later one must be the
# same but for this many pixels. It stays in SOAK_PICTURES, with each one that differed.
pictures=${SOAK_PICTURES:-$root/build/soak}
mkdir -p "$pictures"
rm -f "$pictures"/reference-*.png
reference_picture=$pictures/reference-warm.png
picture_tolerance=${SOAK_PICTURE_TOLERANCE:-8}
checks=0 check_failures=()
take_picture() { import -window "$window" "$1" 2>/dev/null; }
# Differing pixels between pictures $1 and $2 into differing; false when they cannot be compared.
compare_pictures() {
  differing=$(compare -metric AE -fuzz 2% "$1" "$2" null: 2>&1) || true
  [[ $differing =~ ^[0-9]+$ ]]
}
same_picture() {
  take_picture "$tmp/reference-now.png" && compare_pictures "$reference_picture" "$tmp/reference-now.png" &&
    ((differing <= picture_tolerance))
}
# When the picture differs: which one key, pressed again, brings the reference state back? The
# record then follows what the screen shows.
find_stray_key() {
  local k
  for k in a d i r s t; do
    key "$k" c
    pause_ms 600
    if same_picture; then
      option[$k]=${reference_option[$k]}
      stray_key=$k
      return 0
    fi
    key "$k" c
  done
  return 1
}

# What a frame allocates and frees depends on what it draws, so memory is compared in one state:
# the start-up options (and the digital time at a speed), text size 4, the camera reset, 8 s still,
# the middle memory of the last 5. Its picture is taken with the wall clock held at one instant
# for half a second, and checked against the warm-up's.
reference_sample() {
  local k at
  for k in a d i r s t; do
    ((option[$k] == reference_option[$k])) || key "$k"
  done
  key 4 c
  pause_ms 2500
  hold_clock || return 1
  pause_ms 500
  now
  at=$(((now_ms - soak_start) / 60000))
  if [[ $1 == warm ]]; then
    take_picture "$reference_picture" || { release_clock; return 1; }
  else
    checks=$((checks + 1))
    if ! same_picture; then
      differing_first=$differing
      cp "$tmp/reference-now.png" "$pictures/reference-$at-min.png"
      if find_stray_key; then
        check_failures+=("at $at min the picture differed by $differing_first pixels: key $stray_key was off from the record; pressed again")
      else
        check_failures+=("at $at min the picture differed by $differing_first pixels, and no one key brought it back")
      fi
    fi
  fi
  release_clock
  typical_sample 5 || return 1
  record_sample "$1"
  next_reference=$((now_ms + reference_ms))
}

# Between steps of the input: a sample each minute and one in the reference state every ten
# after the warm-up, the keyboard given back to the clock should it have lost it, and the end
# of the warm-up by time. Fails once the time is up, or earlier saying why in cut_short.
keep_watch() {
  cut_short=
  now
  if ((now_ms >= next_sample)); then
    sample || { cut_short="its memory could not be read"; return 1; }
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
    reference_sample ref || { cut_short="no sample in the reference state"; return 1; }
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

# A tour of every input state, so that the warm-up ends within minutes: each combination of the
# option keys (one key at a time, in Gray-code order; at a speed the digital time stays shown) at
# a text size that cycles through all nine; all nine sizes again with the numerals and the
# digital time shown, in Arabic and in Roman numerals; the camera dollied through the face and far
# out with each modifier and the wheel, the scene turned round by drags, the camera reset; the
# quit question asked with either key and declined with either answer.
tour() {
  local i gray previous=0 changed bit size combinations=$((1 << ${#tour_letters[@]}))
  for ((i = 1; i < combinations; i++)); do
    gray=$((i ^ (i >> 1)))
    changed=$((gray ^ previous)) previous=$gray
    for ((bit = 0; changed > 1; bit++)); do changed=$((changed >> 1)); done
    key "${tour_letters[bit]}" $((1 + i % 9))
    dwell || return 1
  done
  # The last step left only the numerals hidden: show them (and the digital time).
  key t
  [[ ${option[i]} == 1 ]] || key i
  for _ in 0 1; do
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
tour_failed='' tour_done=''
tour || true
if [[ -n $tour_done && -z $tour_failed && -z $warm_end ]] && running; then
  end_warmup "every input state reached by the tour" ||
    cut_short="no sample in the reference state at the end of the warm-up"
fi

# Return and Escape mostly stay out: either asks the quit question, which is answered No now
# and then. Errors from xdotool are dropped: they come only once the window has gone, which the
# loop notices itself.
while [[ -z $cut_short ]] && keep_watch; do
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
if running && [[ -n $warm_end ]] && reference_sample end; then
  :
elif running && sample; then
  record_sample -
elif running; then
  cut_short=${cut_short:-"its memory could not be read at the end"}
else
  crashed_during_soak=yes
fi
soak_ms=$((now_ms - soak_start))
rss_end=$rss_kb anon_end=$anon_kb

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
gl_errors=$(grep -c 'GL error' "$program_log" || true)

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
for failure in "${check_failures[@]}"; do failures+=("reference state: $failure"); done
((refocused > 0)) && echo "soak: the clock lost the keyboard focus $refocused time(s); given back"

awk -v m="$soak_ms" -v fr="$frames" -v life="$lifetime_ms" -v gl="$gl_errors" \
  -v r0="$rss_start" -v r1="$rss_end" -v a0="$anon_start" -v a1="$anon_end" -v wt="${warm_end:-}" \
  -v how="$how" -v whow="${warm_how:-}" -v checks="$checks" -v bad="${#check_failures[@]}" \
  -v input="$taps taps, $holds held dolly keys, $wheels wheel turns, $drags drags, $boxes quit questions declined" 'BEGIN {
  printf "\n%-16s %.1f\n", "minutes run", m / 60000
  printf "%-16s %d (%.1f per second)\n", "frames drawn", fr, fr / (life / 1000)
  printf "%-16s %s\n", "input sent", input
  printf "%-16s %d\n", "GL errors", gl
  if (wt != "") printf "%-16s over at %.1f min: %s\n", "warm-up", wt / 60000, whow
  printf "%-16s start %.1f MiB, end %.1f MiB (anonymous %.1f to %.1f)\n", "resident memory",
    r0 / 1024, r1 / 1024, a0 / 1024, a1 / 1024
  printf "%-16s %d pictures after the warm-up checked against its own, %d differed\n",
    "reference state", checks, bad
  printf "%-16s %s\n", "exit", how
}'

# At a speed: how much of the clock's day it drew, and the rate its time ran at, as it read it and
# as it drew the digital time.
if [[ -s $watch_file ]]; then
  awk -v speed="$speed" -v minutes="$minutes" '
    $1 == "hour_angles" { any = $2; arabic = $3; roman = $4; angles = $5 }
    $1 == "digital_seconds" { seconds = $2; day = $3; passed_over = $4 }
    $1 == "dance_positions" { dance = $2; positions = $3 }
    $1 == "dance_phase_frames" { phases = ($2 > 0) + ($3 > 0) + ($4 > 0) + ($5 > 0) }
    $1 == "wall_rate" { read_rate = $2 }
    $1 == "drawn_rate" { drawn_rate = $2 }
    $1 == "late_frames" { late = $2 }
    $1 == "missing" { missing = missing (missing == "" ? "" : ", ") $2 "-" $3 }
    END {
      unreached = day - seconds - passed_over
      printf "%-16s %d of %d hour angles (Arabic numerals at %d, Roman at %d); %d of %d digital times; %d of %d dance positions, %d of 4 phases\n",
        "clock covered", any, angles, arabic, roman, seconds, day, dance, positions, phases
      if (speed != 1) {
        printf "%-16s %d digital times fell between two of the %d frames that came more than 1/%g s (a second of the clock) after the one before; %d were never reached%s\n",
          "  not drawn", passed_over, late, speed, unreached, missing == "" ? "" : " (the first: " missing ")"
      }
      printf "%-16s %.3f times real time as read for the dance, %.3f as the digital time drawn\n",
        "clock rate", read_rate, drawn_rate
      if (speed != 1) {
        if (read_rate < speed * 0.99 || read_rate > speed * 1.01)
          printf "fail the clock read its wall clock at %.3f times real time, not %g\n", read_rate, speed
        if (drawn_rate < speed * 0.98 || drawn_rate > speed * 1.02)
          printf "fail the digital time ran at %.3f times real time, not %g\n", drawn_rate, speed
        # A run long enough for a whole day must have drawn all of it.
        if (minutes * speed >= 24 * 60) {
          if (any < angles) printf "fail %d of %d hour angles drawn in a whole day\n", any, angles
          # A frame later than a second of the clock passes one over, which a loaded machine does
          # now and then; a time neither drawn nor passed over was left out.
          if (unreached > 0) printf "fail %d digital times neither drawn nor passed over by a late frame in a whole day\n", unreached
          if (arabic == 0 || roman == 0) print "fail a numeral set was never drawn"
          if (dance < positions) printf "fail %d of %d dance positions drawn\n", dance, positions
        }
      }
    }' "$watch_file" >"$tmp/coverage"
  grep -v '^fail ' "$tmp/coverage" || true
  while IFS= read -r line; do failures+=("${line#fail }"); done < <(grep '^fail ' "$tmp/coverage" || true)
else
  failures+=("the clock's watcher wrote nothing")
fi

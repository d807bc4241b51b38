# Sourced by bench/soak.sh --hack: wagglersaver as xscreensaver runs it. A tour first: each of the
# 16 sets of its four options in a run of its own, in each way a window reaches it (its own, -root,
# -window-id, XSCREENSAVER_WINDOW), ended as xscreensaver ends it (SIGTERM; SIGINT and the
# window's destruction once each). Then one long run, -root with everything drawn, for the rest.
# shellcheck shell=bash disable=SC2154 # the variables shared with soak.sh are set there

# One long run rather than random sets across restarts: a leak grows only in a process that lives,
# and xscreensaver keeps one hack for as long as the screen stays idle. The tour has drawn every
# other set by then; the long run draws the most (the digital time, the numerals, the spin and the
# frame rate).
long_options=(-root -digital -roman -spin -fps)
tour_run_s=${SOAK_HACK_RUN_SECONDS:-12}
# The long run's first minutes end the warm-up: the spin turns through every orientation (27 s a
# turn about one axis, 84 s about the other) and the digital time through every digit.
warm_minutes=${SOAK_WARMUP_MINUTES:-5}
# xscreensaver waits this long after SIGTERM before it kills a hack.
end_limit_ms=1000
program_log=$tmp/hack.log
root_window=$(xwininfo -root | awk '/Window id:/ { print $4 }')

# Starts the hack with the arguments given, under the frame counter and with its GL errors asked
# each frame (the hack checks none itself); XSCREENSAVER_WINDOW from hack_env.
start_hack() {
  frame_file=$tmp/frames.$run
  rm -f "$frame_file"
  env ${hack_env:+"$hack_env"} LIBGL_ALWAYS_SOFTWARE=1 LD_PRELOAD="$tmp/frame_counter.so" \
    SOAK_FRAME_FILE="$frame_file" SOAK_GL_ERRORS=1 "$program" "$@" >"$tmp/run.log" 2>&1 &
  pid=$!
}
drew() { frames_so_far && ((frames > 0)); }
# Ends the hack with signal $1 ("window" destroys its own window instead) and waits for it, killing
# it after 10 s: the status and the milliseconds it took go into ended and end_ms.
end_hack() {
  local start watchdog
  now
  start=$now_ms
  if [[ $1 == window ]]; then
    xdotool windowclose "$own_window" 2>/dev/null || true
  else
    kill -"$1" "$pid" 2>/dev/null || true
  fi
  (sleep 10 && kill -KILL "$pid") 2>/dev/null &
  watchdog=$!
  ended=0
  wait "$pid" || ended=$?
  now
  end_ms=$((now_ms - start))
  kill "$watchdog" 2>/dev/null || true
  wait "$watchdog" 2>/dev/null || true
  pid=
}
# The frame count as it changes (the counter writes it every 50 frames), and when: a rate between
# two such moments is exact to a poll.
frames_on_change() {
  local before
  frames_so_far
  before=$frames
  for ((polls = 0; polls < 250 && frames == before; polls++)); do
    sleep 0.02
    frames_so_far
  done
  now
}
# The failures of a run that just ended, each prefixed with what the run was.
judge_end() {
  local what=$1 errors
  errors=$(grep -c 'GL error' "$tmp/run.log" || true)
  ((ended == 0)) || failures+=("$what: exit status $ended, not 0")
  ((end_ms <= end_limit_ms)) || failures+=("$what: ended $end_ms ms after the signal (limit $end_limit_ms)")
  ((errors == 0)) || failures+=("$what: $errors GL errors")
  if grep -v 'frame_counter: GL error' "$tmp/run.log" | grep -q .; then
    failures+=("$what: it wrote $(grep -vc 'frame_counter: GL error' "$tmp/run.log") lines")
  fi
  cat "$tmp/run.log" >>"$program_log"
}

now
soak_start=$now_ms
soak_end=$((soak_start + soak_s * 1000))
echo "soak: $program for $minutes min on display $DISPLAY: a tour of its options, then ${long_options[*]}"

# --- The tour -----------------------------------------------------------------------------------
targets=("-window" "-root" "-window-id $root_window" "--root")
tour_lines=()
for ((run = 0; run < 16; run++)); do
  read -r -a args <<<"${targets[run % 4]}"
  hack_env=
  ((run % 4 == 3)) && hack_env="XSCREENSAVER_WINDOW=$root_window"
  ((run & 1)) && args+=(-digital) || args+=(-no-digital)
  ((run & 2)) && args+=(-roman) || args+=(-no-roman)
  ((run & 4)) && args+=(-spin) || args+=(-no-spin)
  ((run & 8)) && args+=(-fps)
  stop=TERM
  ((run == 5)) && stop=INT
  ((run == 12)) && stop=window
  what="tour run $((run + 1)) (${hack_env:+$hack_env }${args[*]})"
  start_hack "${args[@]}"
  if ! wait_until 30 drew || ! running; then
    failures+=("$what: no frame within 30 s")
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=
    cat "$tmp/run.log" >>"$program_log"
    continue
  fi
  own_window=
  if [[ ${args[0]} == -window ]]; then
    find_window '^wagglersaver$' && own_window=$found
    [[ -n $own_window ]] || failures+=("$what: its own window was not found")
  fi
  frames_on_change
  first_frames=$frames first_ms=$now_ms
  pause_ms $((tour_run_s * 500))
  # Its own window is resized halfway, as a window manager would.
  [[ -n $own_window ]] && { xdotool windowsize "$own_window" 800 600 2>/dev/null || true; }
  pause_ms $((tour_run_s * 500))
  frames_on_change
  rate=$(awk -v f=$((frames - first_frames)) -v ms=$((now_ms - first_ms)) 'BEGIN { printf "%.1f", f / (ms / 1000) }')
  sample || failures+=("$what: its memory could not be read")
  if [[ $stop == window && -z $own_window ]]; then stop=TERM; fi
  end_hack "$stop"
  judge_end "$what"
  # A run of seconds is judged only against the floor for a stall: a moment's load elsewhere
  # would otherwise decide it. The long run is held to the floor itself.
  awk -v r="$rate" -v m="$min_fps" 'BEGIN { exit !(r < m / 2) }' &&
    failures+=("$what: $rate frames a second, under $(awk -v m="$min_fps" 'BEGIN { print m / 2 }')")
  tour_lines+=("$(printf '%-62s %5.1f/s  threads %d  files %2d  anonymous %5.1f MiB  ended by %s in %d ms, status %d' \
    "${hack_env:+XSCREENSAVER_WINDOW }${args[*]/$root_window/ROOT}" "$rate" "$threads" "$open_files" \
    "$(awk -v a="$anon_kb" 'BEGIN { print a / 1024 }')" "${stop/window/its window}" "$end_ms" "$ended")")
done
now
tour_ms=$((now_ms - soak_start))
echo "soak: tour over after $(awk -v m=$tour_ms 'BEGIN { printf "%.1f", m / 60000 }') min:"
printf '  %s\n' "${tour_lines[@]}"

# --- The long run -------------------------------------------------------------------------------
# The hack has no still state to hold: a reference sample is the middle memory of 10 s.
reference_sample() {
  typical_sample 10 || return 1
  now
  record_sample "$1"
  next_reference=$((now_ms + 600000))
}

run=long
hack_env=
start_hack "${long_options[@]}"
cut_short=
if ! wait_until 30 drew || ! running; then
  cut_short="the long run drew no frame within 30 s"
fi
now
long_start=$now_ms
warm_ms=$((long_start + $(awk -v m="$warm_minutes" 'BEGIN { printf "%d", m * 60000 }')))
next_sample=$long_start
next_reference=
while [[ -z $cut_short ]]; do
  now
  ((now_ms < soak_end)) || break
  running || { cut_short="it was not seen running"; break; }
  if ((now_ms >= next_sample)); then
    sample || { cut_short="its memory could not be read"; break; }
    record_sample -
    next_sample=$((next_sample + 60000))
  fi
  if [[ -z $warm_end ]] && ((now_ms >= warm_ms)); then
    end_warmup "the tour, then $warm_minutes min of the long run" ||
      { cut_short="no reference sample at the end of the warm-up"; break; }
  elif [[ -n $next_reference ]] && ((now_ms >= next_reference)); then
    reference_sample ref || { cut_short="no reference sample"; break; }
  fi
  pause_ms 1000
done

crashed=no
if running; then
  if [[ -n $warm_end ]]; then
    reference_sample end || cut_short=${cut_short:-"no reference sample at the end"}
  fi
  end_hack TERM
  judge_end "the long run"
else
  crashed=yes
  ended=0
  wait "$pid" || ended=$?
  pid=
  cat "$tmp/run.log" >>"$program_log"
  failures+=("the long run ended by itself, status $ended")
fi
[[ -n $cut_short ]] && failures+=("the long run stopped before its time: $cut_short")
now
frames_so_far
long_s=$(((now_ms - long_start) / 1000))

echo
printf '%-16s %.1f (the tour %.1f, the long run %.1f)\n' "minutes run" \
  "$(awk -v m=$((now_ms - soak_start)) 'BEGIN { print m / 60000 }')" \
  "$(awk -v m="$tour_ms" 'BEGIN { print m / 60000 }')" "$(awk -v s="$long_s" 'BEGIN { print s / 60 }')"
printf '%-16s %d in the long run (%.1f a second)\n' "frames drawn" "$frames" \
  "$(awk -v f="$frames" -v s="$long_s" 'BEGIN { print (s > 0 ? f / s : 0) }')"
printf '%-16s %d\n' "GL errors" "$(grep -c 'GL error' "$program_log" || true)"
if [[ -n $warm_end ]]; then
  printf '%-16s over at %.1f min: %s\n' "warm-up" "$(awk -v m="$warm_end" 'BEGIN { print m / 60000 }')" "$warm_how"
fi
if [[ $crashed == no ]]; then
  printf '%-16s status %d, %d ms after SIGTERM\n' "exit" "$ended" "$end_ms"
else
  printf '%-16s status %d, by itself during the run\n' "exit" "$ended"
fi

# The verdict of bench/soak.sh on a run's samples, lines of "ms rss_kb anon_kb threads files frames
# tag" (tag "warm" for the reference sample that ends the warm-up, "ref" for those after it, "end"
# for the last, "-" for the minutes). Prints the memory in the reference samples and the figures
# judged; each failure is a line "fail REASON". Variables: speed (the clock's rate, 1 for real
# time), min_fps, growth_limit and slope_limit (MiB, and MiB an hour).

{
  t[n] = $1 / 60000; rss[n] = $2 / 1024; anon[n] = $3 / 1024
  threads[n] = $4; files[n] = $5; frames[n] = $6; tag[n] = $7
  if ($7 == "warm" && !have_warm) { warm = n; have_warm = 1 }
  n++
}

function clock_hours(minutes) {
  return speed == 1 ? "" : sprintf(" (%.1f h of the clock)", minutes * speed / 60)
}

END {
  if (!have_warm) {
    print "warm-up          never over"
    print "fail the run never left its warm-up, so nothing after it was judged"
    exit
  }

  # The reference samples from the end of the warm-up on.
  for (i = warm; i < n; i++)
    if (tag[i] == "warm" || tag[i] == "ref" || tag[i] == "end") ref[refs++] = i
  print "after the warm-up, every 10 min in the reference state:"
  for (k = 1; k < refs; k++) {
    a = ref[k - 1]; b = ref[k]
    printf "  %5.1f to %5.1f min%s   anonymous %6.1f to %6.1f MiB (%+.2f)   resident %+.2f\n",
      t[a], t[b], clock_hours(t[b] - t[a]), anon[a], anon[b], anon[b] - anon[a], rss[b] - rss[a]
  }
  first = ref[0]; last = ref[refs - 1]
  if (refs > 7) {
    print "and every hour:"
    for (k = 0; k < refs - 1; k = to) {
      to = k + 6 < refs - 1 ? k + 6 : refs - 1
      a = ref[k]; b = ref[to]
      printf "  %5.1f to %5.1f min%s   anonymous %6.1f to %6.1f MiB (%+.2f)\n", t[a], t[b],
        clock_hours(t[b] - t[a]), anon[a], anon[b], anon[b] - anon[a]
    }
  }

  # The trend: the least-squares line through every reference sample, and the last against the
  # first; the line is judged once the samples span 50 minutes: the reference samples wander by about
  # half a MiB, which over half an hour alone reads as 1 MiB an hour.
  span = t[last] - t[first]
  growth = anon[last] - anon[first]
  printf "%-16s %+.2f MiB anonymous, %+.2f MiB resident over %.1f min (limit %+g MiB)\n",
    "after warm-up", growth, rss[last] - rss[first], span, growth_limit
  if (growth >= growth_limit)
    printf "fail the anonymous memory grew by %.2f MiB after the warm-up (limit %g)\n", growth, growth_limit
  if (refs >= 3 && span > 0) {
    for (k = 0; k < refs; k++) { x = t[ref[k]] / 60; sx += x; sy += anon[ref[k]]; sxx += x * x; sxy += x * anon[ref[k]] }
    slope = (refs * sxy - sx * sy) / (refs * sxx - sx * sx)
    judged = span >= 50
    printf "%-16s %+.2f MiB an hour over %d reference samples%s (limit %+g MiB an hour%s)\n",
      "memory trend", slope, refs, speed == 1 ? "" : sprintf(", %+.3f MiB a simulated hour", slope / speed),
      slope_limit, judged ? "" : ", not judged under 50 min"
    if (judged && slope >= slope_limit)
      printf "fail the anonymous memory rose by %.2f MiB an hour along the reference samples (limit %g)\n", slope, slope_limit
  } else {
    printf "%-16s not drawn: %d reference samples after the warm-up\n", "memory trend", refs
  }

  # Threads and open files: none more than at the end of the warm-up, in any sample after it.
  lo_t = hi_t = threads[warm]; lo_f = hi_f = files[warm]
  for (i = warm; i < n; i++) {
    if (threads[i] > hi_t) { hi_t = threads[i]; when_t = t[i] }
    if (threads[i] < lo_t) lo_t = threads[i]
    if (files[i] > hi_f) { hi_f = files[i]; when_f = t[i] }
    if (files[i] < lo_f) lo_f = files[i]
  }
  printf "%-16s %d at the end of the warm-up, %d to %d after it\n", "threads", threads[warm], lo_t, hi_t
  printf "%-16s %d at the end of the warm-up, %d to %d after it\n", "open files", files[warm], lo_f, hi_f
  if (hi_t > threads[warm])
    printf "fail threads rose from %d to %d after the warm-up (at %.1f min)\n", threads[warm], hi_t, when_t
  if (hi_f > files[warm])
    printf "fail open files rose from %d to %d after the warm-up (at %.1f min)\n", files[warm], hi_f, when_f

  # The frame rate in each interval of half a minute or more after the warm-up, and over them all.
  slowest = ""
  for (i = warm + 1; i < n; i++) {
    if (t[i] - t[i - 1] < 0.5) continue
    rate = (frames[i] - frames[i - 1]) / ((t[i] - t[i - 1]) * 60)
    if (slowest == "" || rate < slowest) { slowest = rate; slowest_at = t[i] }
    all_frames += frames[i] - frames[i - 1]; all_minutes += t[i] - t[i - 1]
  }
  if (slowest == "") {
    print "frame rate       not measured after the warm-up"
    print "fail no frame rate after the warm-up"
  } else {
    mean = all_frames / (all_minutes * 60)
    printf "%-16s %.1f a second after the warm-up, the slowest minute %.1f (at %.1f min); floor %g, no minute under %g\n",
      "frame rate", mean, slowest, slowest_at, min_fps, min_fps / 2
    if (mean < min_fps) printf "fail the frame rate after the warm-up was %.1f a second, under %g\n", mean, min_fps
    if (slowest < min_fps / 2)
      printf "fail a minute ran at %.1f frames a second (at %.1f min), under %g\n", slowest, slowest_at, min_fps / 2
  }
}

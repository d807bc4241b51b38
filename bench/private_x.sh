# Sourced by the benchmark scripts: a scratch folder in $tmp and a private virtual X server on
# $DISPLAY, both gone at exit together with the program the script started last ($pid).
# Usage: private_x NAME SCREEN [XVFB ARGUMENTS...]

private_x() {
  local name=$1 screen=$2
  shift 2
  tmp=$(mktemp -d "${TMPDIR:-/tmp}/$name.XXXXXX")
  xvfb_pid=
  pid=
  trap private_x_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp "$@" 3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 150); do [[ -s $tmp/display ]] && break; sleep 0.1; done
  [[ -s $tmp/display ]] || { echo "$name: Xvfb did not start" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
  export DISPLAY=:$(<"$tmp/display")
}

private_x_cleanup() {
  [[ -n $pid ]] && kill -KILL "$pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$tmp"
}

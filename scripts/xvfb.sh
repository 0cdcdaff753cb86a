# Sourced by scripts/test.sh and scripts/run.sh: starts a virtual X display.
#
#   start_xvfb <log file>
#
# Xvfb picks a free display number itself and tells it on a pipe once it accepts clients (so two
# runs at once never race for a number). Sets XVFB_PID and XVFB_DISPLAY (":N"); on failure shows
# the log and returns 1.
start_xvfb() {
  local log=$1 fifo number=
  fifo="$(mktemp -u "${TMPDIR:-/tmp}/lorvex-xvfb.XXXXXX")"
  mkfifo "$fifo" || return 1
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >"$log" 2>&1 </dev/null &
  XVFB_PID=$!
  read -r -t 30 number <"$fifo"
  rm -f "$fifo"
  if [[ -z $number ]]; then
    kill "$XVFB_PID" 2>/dev/null
    XVFB_PID=
    cat "$log" >&2
    return 1
  fi
  XVFB_DISPLAY=":$number"
}

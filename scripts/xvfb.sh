# Sourced: starts a private Xvfb display (1024x768, 96 DPI) unless KAVRO_DISPLAY_KEEP is set and a
# display exists. Sets DISPLAY and XVFB_PID; StopXvfb ends it.
StartXvfb() {
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  local number
  read -r -t 20 number <"$fifo" || { echo "Xvfb did not start" >&2; rm -f "$fifo"; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$number"
}
StopXvfb() {
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}
# One private display for each of $1 Wine lanes (scripts/wine-run): exports KAVRO_LANE_DISPLAYS
# (space-separated, lane 0 first) and sets DISPLAY to lane 0's. StopLaneDisplays ends them.
StartLaneDisplays() {
  local i
  KAVRO_LANE_DISPLAYS=""
  LANE_XVFB_PIDS=""
  for ((i = 0; i < $1; ++i)); do
    StartXvfb || return 1
    KAVRO_LANE_DISPLAYS+="${KAVRO_LANE_DISPLAYS:+ }$DISPLAY"
    LANE_XVFB_PIDS+=" $XVFB_PID"
    XVFB_PID=""
  done
  export KAVRO_LANE_DISPLAYS
  export DISPLAY="${KAVRO_LANE_DISPLAYS%% *}"
}
StopLaneDisplays() {
  local pid
  for pid in ${LANE_XVFB_PIDS:-}; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  LANE_XVFB_PIDS=""
}

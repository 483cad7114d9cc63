# Sourced: start_virtual_display starts Xvfb on a free display, exports DISPLAY and stops the
# server when the calling script exits.
start_virtual_display() {
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  KESTRUM_XVFB_PID=$!
  local number
  read -r -t 20 number <"$fifo" || { echo "Xvfb did not start" >&2; rm -f "$fifo"; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$number"
  trap 'kill "$KESTRUM_XVFB_PID" 2>/dev/null || true' EXIT
}

# Sourced: start_xvfb FILE starts Xvfb on a free display (24-bit), exports DISPLAY and writes
# the display name to FILE; stop_xvfb ends it.
start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.05
    done
    # Another run may have taken the same display a moment earlier: then this Xvfb has ended.
    if ! kill -0 "$XVFB_PID" 2>/dev/null; then
      wait "$XVFB_PID" 2>/dev/null
      XVFB_PID=
      continue
    fi
    export DISPLAY=":$n"
    [ -n "${1:-}" ] && echo "$DISPLAY" > "$1"
    return 0
  done
  echo "no free X display" >&2
  return 1
}
stop_xvfb() { [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null; XVFB_PID=; }

# Sourced by every end-to-end script (tests/e2e/<name>-e2e): the real Dorvik.exe under Wine and
# Xvfb in the host namespace of a private test network, simulated devices on the other side of
# the bridge. A script starts with
#     . "$(dirname "$0")/e2e-lib.sh" NAME "$@"     # its arguments: DEVSIM DORVIK_EXE REMOTE_EXE
# and then has:
#   $OUT, $APP        its output folder ($DORVIK_BUILD/e2e/NAME) and the program's folder in it
#   lab_up N, lab_addrs, lab_silent, lab_sim   the test network (scripts/netns-lab.sh); lab_sim
#                     takes --log "$OUT/simN.log" to keep the simulator's request log
#   e2e_display       starts Xvfb inside the namespace (after lab_up)
#   start_dorvik [VAR=value...]    starts Dorvik.exe in $APP (sets DORVIK_PID), with the given
#                     environment (e.g. DORVIK_TIME_SCALE=0.05)
#   remote ARGS       runs tests/e2e/dorvik_remote.cpp's commands against it
#   shot FILE.png     a screenshot of the display into $OUT and $DORVIK_BUILD/screenshots
#   check NAME CMD... counts and prints one check (a failed one also prints the program's
#                     state and takes a screenshot); e2e_finish prints the summary and returns
#   wait_for SECONDS CMD..., wait_exit PID SECONDS, in_ns CMD...
#   settings_text FILE, settings_sections FILE   the settings file as text, its sections
# Each script has its own Wine prefix (a copy of the build's), display and namespaces, so
# scripts may run at the same time.
set -u
E2E_NAME=$1
DEVSIM=$2
EXE=$3
REMOTE=$4
E2E_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_SCRIPTS="$E2E_HERE/../../scripts"
. "$E2E_SCRIPTS/wine-env"
. "$E2E_SCRIPTS/netns-lab.sh"

OUT="$DORVIK_BUILD/e2e/$E2E_NAME"
APP="$OUT/app"
SHOTS="$DORVIK_BUILD/screenshots"
rm -rf "$OUT"
mkdir -p "$APP" "$SHOTS"
cp "$EXE" "$APP/Dorvik.exe"
cp "$REMOTE" "$APP/dorvik_remote.exe"

# Its own prefix, so that its wineserver (which owns the sockets) lives in the namespace.
MAIN_PREFIX=$WINEPREFIX
export WINEPREFIX="$DORVIK_BUILD/wineprefix-e2e-$E2E_NAME"
if [ ! -f "$WINEPREFIX/.e2e-ready" ]; then
  (
    flock 9
    WINEPREFIX=$MAIN_PREFIX wine_prefix_ready
    WINEPREFIX=$MAIN_PREFIX wineserver -w
  ) 9>"$DORVIK_BUILD/wineprefix.lock"
  wine_prefix_copy "$MAIN_PREFIX" "$WINEPREFIX"
  touch "$WINEPREFIX/.e2e-ready"
fi

PASSED=0
FAILED=0
check() {  # check NAME COMMAND...
  local name=$1
  shift
  if "$@"; then
    PASSED=$((PASSED + 1))
    echo "ok     $name"
  else
    FAILED=$((FAILED + 1))
    echo "FAILED $name"
    e2e_state "failed-$FAILED"
  fi
}

# What the program looked like when a check failed: whether it still runs and answers, its
# shown boxes, the remote's last complaints and a screenshot, so that a failure on another
# machine can be understood from the test's output alone.
e2e_state() {
  [ -n "${DORVIK_PID:-}" ] && [ -n "$DISPLAY_NO" ] || return 0
  if kill -0 "$DORVIK_PID" 2>/dev/null; then
    echo "       the program runs; answers messages: $(remote ping >/dev/null 2>&1 && echo yes || echo no)"
    echo "       its boxes: $(remote popups 2>/dev/null | tr '\n' '|')"
    echo "       its rows: $(remote rows 2>/dev/null | tr '\n' ' ')"
  else
    echo "       the program has ended"
  fi
  # Wine's errors about the program (a thread that died, a stack overflow...).
  [ -s "$OUT/dorvik.log" ] && tail -n 8 "$OUT/dorvik.log" | sed 's/^/       wine: /'
  # Wine servers of this prefix (each runs in its server folder, named by the prefix's inode).
  local dir p servers=
  dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  for p in $(pgrep -f wineserver); do
    case "$(readlink "/proc/$p/cwd" 2>/dev/null)" in */"$dir") servers="$servers $p (running for $(ps -o etimes= -p "$p" | tr -d " ") s)";; esac
  done
  echo "       Wine servers of its prefix:${servers:- none}"
  [ -f "$APP/debugdmp.dmp" ] && echo "       it has written a crash dump: $APP/debugdmp.dmp"
  [ -s "$OUT/remote.log" ] && tail -n 5 "$OUT/remote.log" | sed 's/^/       remote: /'
  shot "$1.png"
  echo "       screenshot $OUT/$1.png"
}

XVFB_PID=
DISPLAY_NO=
e2e_stop_all() {
  [ -n "${LAB_HOST:-}" ] && ip netns exec "$LAB_HOST" env WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null
  [ -n "${LAB_HOST:-}" ] && ip netns exec "$LAB_HOST" env WINEPREFIX="$WINEPREFIX" wineserver -w 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=
}
LAB_HOOK_DOWN=e2e_stop_all

# A display of its own, inside the namespace; Xvfb picks a free number itself.
e2e_display() {
  local fifo="$OUT/display.fifo" t
  rm -f "$fifo"
  mkfifo "$fifo"
  ip netns exec "$LAB_HOST" Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >"$OUT/xvfb.log" 2>&1 &
  XVFB_PID=$!
  read -r -t 20 DISPLAY_NO <"$fifo"
  rm -f "$fifo"
  [ -n "$DISPLAY_NO" ] || { echo "Xvfb did not start" >&2; return 1; }
  for t in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$DISPLAY_NO" ] && break; sleep 0.05; done
  in_ns wineboot -i >/dev/null 2>&1
}

in_ns() { ip netns exec "$LAB_HOST" env DISPLAY=":$DISPLAY_NO" WINEPREFIX="$WINEPREFIX" "$@"; }
# Its exit status is the remote's own.
remote() { (set -o pipefail; cd "$APP" && in_ns wine ./dorvik_remote.exe "$@" 2>>"$OUT/remote.log" | tr -d '\r'); }
# rows_past ID IP...: true once the row of each address shows a status and it is no longer ID
# (the "working" text of the batch's workers). A batch whose box has closed may still have
# workers running: their rows are final only then.
rows_past() {
  local id=$1 ip got
  shift
  for ip in "$@"; do
    got=$(remote row "$ip") || return 1
    case "$got" in *" 0" | *" $id") return 1 ;; esac
  done
}
shot() {
  in_ns import -window root "$OUT/$1" 2>/dev/null
  cp "$OUT/$1" "$SHOTS/e2e-$E2E_NAME-$1" 2>/dev/null
}
start_dorvik() {
  (cd "$APP" && exec ip netns exec "$LAB_HOST" env DISPLAY=":$DISPLAY_NO" WINEPREFIX="$WINEPREFIX" "$@" \
     WINEDEBUG=-all,err+all wine ./Dorvik.exe >>"$OUT/dorvik.log" 2>&1) &
  DORVIK_PID=$!
}
wait_exit() {  # wait_exit PID SECONDS
  local t
  for ((t = 0; t < $2 * 10; t++)); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}
wait_for() {  # wait_for SECONDS COMMAND...
  local s=$1 t
  shift
  for ((t = 0; t < s * 10; t++)); do "$@" && return 0; sleep 0.1; done
  return 1
}
# English settings, so that every text is the English one.
e2e_english() { printf '[LANGUAGE]\r\nLANGUAGE=1033\r\n' > "$APP/Dorvik_Setting.ini"; }
# The settings file as text (the program writes UTF-16LE with a byte-order mark; a file of
# 8-bit text is shown as it is), without CRs.
settings_text() {
  if [ "$(head -c 2 "$1" | od -An -tx1 | tr -d ' \n')" = fffe ]; then
    tail -c +3 "$1" | iconv -f UTF-16LE -t UTF-8
  else
    cat "$1"
  fi | tr -d '\r'
}
# Its section names in order, on one line.
settings_sections() { settings_text "$1" | grep '^\[' | tr '\n' ' '; }

e2e_finish() {
  echo "       screenshots and files in $OUT"
  echo "$PASSED passed, $FAILED failed"
  [ "$FAILED" -eq 0 ]
}

# Sourced by test scripts: a private test network like tests/support/netns_lab.h makes it.
#   lab_up N          host namespace $LAB_HOST with bridge br0 at 10.231.0.1/16, and N device
#                     namespaces ${LAB_DEV[i]} each linked to the bridge by a veth pair
#   lab_addrs I IP... puts addresses on device namespace I
#   lab_sim I ARGS... starts the simulator ($DEVSIM) in device namespace I, waits until ready
#   lab_silent IP...  makes addresses silent: the host sends to them into nowhere, so a
#                     connection attempt gets no answer at all
#   lab_down          stops everything the lab started and removes it (also run on EXIT)
# Nothing leaves these namespaces.
LAB_HOST_IP=10.231.0.1
LAB_BCAST=10.231.255.255
LAB_SIMS=()
LAB_DEV=()

lab_up() {
  local n=$1 i
  LAB_ID="dvk$$s$RANDOM"
  LAB_HOST="${LAB_ID}h"
  LAB_DIR=$(mktemp -d /tmp/dvklab.XXXXXX)
  ip netns add "$LAB_HOST"
  ip -n "$LAB_HOST" link set lo up
  ip -n "$LAB_HOST" link add br0 type bridge
  ip -n "$LAB_HOST" link set br0 up
  ip -n "$LAB_HOST" addr add "$LAB_HOST_IP/16" brd + dev br0
  for ((i = 0; i < n; i++)); do
    LAB_DEV[$i]="${LAB_ID}d$i"
    ip netns add "${LAB_DEV[$i]}"
    ip -n "${LAB_DEV[$i]}" link set lo up
    ip -n "$LAB_HOST" link add "v$i" type veth peer name eth0 netns "${LAB_DEV[$i]}"
    ip -n "$LAB_HOST" link set "v$i" master br0
    ip -n "$LAB_HOST" link set "v$i" up
    ip -n "${LAB_DEV[$i]}" link set eth0 up
  done
  trap lab_down EXIT
}

lab_addrs() {
  local i=$1 ip
  shift
  for ip in "$@"; do echo "addr add $ip/16 brd + dev eth0"; done > "$LAB_DIR/addr$i"
  ip -n "${LAB_DEV[$i]}" -batch "$LAB_DIR/addr$i"
}

lab_silent() {
  local ip
  for ip in "$@"; do echo "neigh replace $ip lladdr 02:00:00:00:de:ad nud permanent dev br0"; done > "$LAB_DIR/silent"
  ip -n "$LAB_HOST" -batch "$LAB_DIR/silent"
}

lab_sim() {
  local i=$1 ready="$LAB_DIR/ready$RANDOM" t
  shift
  ip netns exec "${LAB_DEV[$i]}" "$DEVSIM" --ready "$ready" "$@" &
  LAB_SIMS+=($!)
  for ((t = 0; t < 500; t++)); do
    [ -f "$ready" ] && return 0
    sleep 0.02
  done
  echo "simulator did not start" >&2
  return 1
}

lab_down() {
  local p d
  for p in "${LAB_SIMS[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${LAB_SIMS[@]}"; do wait "$p" 2>/dev/null; done
  LAB_SIMS=()
  [ -n "${LAB_HOOK_DOWN:-}" ] && $LAB_HOOK_DOWN
  for d in "${LAB_DEV[@]}"; do ip netns del "$d" 2>/dev/null; done
  [ -n "${LAB_HOST:-}" ] && ip netns del "$LAB_HOST" 2>/dev/null
  [ -n "${LAB_DIR:-}" ] && rm -rf "$LAB_DIR"
  LAB_DEV=()
  LAB_HOST=
  LAB_DIR=
}

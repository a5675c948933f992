#!/usr/bin/env bash
# Runs a command on a private Xvfb display with the openbox window manager, handed over only once
# the window manager is ready.
# Usage: with-xserver.sh [--depth N] [--size WxH] [--two-monitors] -- command [args...]
# --two-monitors splits the screen into two RandR monitors side by side, the right one primary:
# a primary monitor away from the origin, as a program that takes the whole screen or the
# origin's monitor for the primary one would not expect.
set -euo pipefail
depth=24
size=1280x1024
two_monitors=0
while [ $# -gt 0 ]; do
  case "$1" in
    --depth) depth=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --two-monitors) two_monitors=1; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done
# What the tests ask of the window manager: activation, stacking states, the client list.
needed_atoms=(_NET_ACTIVE_WINDOW _NET_WM_STATE _NET_WM_STATE_ABOVE _NET_WM_STATE_HIDDEN _NET_CLIENT_LIST)
# Long enough for a loaded two-core machine; only a server or window manager that is broken
# takes this long.
patience_tenths=600

xvfb_pid=
wm_pid=
keeper_pid=
cleanup() {
  for pid in $keeper_pid $wm_pid $xvfb_pid; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

fdfile=$(mktemp)
exec 3>"$fdfile"
# -displayfd picks a free display number, so several servers can run side by side. -noreset: a
# server whose last client leaves resets itself and refuses connections meanwhile, so a test that
# starts and ends programs one after another would meet a closed door now and then.
Xvfb -displayfd 3 -screen 0 "${size}x${depth}" -nolisten tcp -noreset +extension MIT-SHM >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq $patience_tenths); do
  [ -s "$fdfile" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
display=":$(head -n1 "$fdfile")"
rm -f "$fdfile"
if [ "$display" = ":" ]; then
  echo "with-xserver: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=$display
# A private desktop has no session bus unless the command brings one (dbus-run-session): whatever
# bus the caller has is not the test's, and without one libdbus would autolaunch a bus of its own
# through dbus-launch wherever that is installed (Qt's accessibility bridge asks for the bus as soon
# as a window shows). An address that can never connect stops both.
export DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/vorlix-test-has-no-session-bus"
unset AT_SPI_BUS_ADDRESS

# One client connected for the server's whole life, whatever the window manager does: xprop
# waiting for a property that nobody sets.
xprop -root -spy _VORLIX_KEEPER >/dev/null 2>&1 &
keeper_pid=$!

if [ $two_monitors = 1 ]; then
  width=${size%x*} height=${size#*x}
  half=$((width / 2))
  # At 96 dots per inch, so that the monitors' sizes in millimetres look like real ones.
  half_mm=$((half * 254 / 960)) height_mm=$((height * 254 / 960))
  # The right monitor takes over the server's one output, whose own monitor would else cover both.
  output=$(xrandr | awk '/ connected/ { print $1; exit }')
  xrandr --setmonitor vorlix-left "${half}/${half_mm}x${height}/${height_mm}+0+0" none >/dev/null
  xrandr --setmonitor '*vorlix-right' "$((width - half))/${half_mm}x${height}/${height_mm}+${half}+0" "$output" >/dev/null
fi

# Started after the monitors are set, so that it places windows on them from the start.
openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!

# Ready: the window manager has named its check window and lists every atom the tests need.
wm_ready() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || return 1
  local supported
  supported=$(xprop -root _NET_SUPPORTED 2>/dev/null) || return 1
  for atom in "${needed_atoms[@]}"; do
    grep -qw -- "$atom" <<<"$supported" || return 1
  done
}
ready=0
for _ in $(seq $patience_tenths); do
  if wm_ready; then ready=1; break; fi
  kill -0 "$wm_pid" 2>/dev/null || break
  sleep 0.1
done
if [ $ready = 0 ]; then
  echo "with-xserver: openbox did not become ready on $display" >&2
  exit 1
fi

status=0
"$@" || status=$?
exit $status

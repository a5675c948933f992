#!/usr/bin/env bash
# Runs a command on a private Xvfb display with the openbox window manager.
# Usage: with-xserver.sh [--depth N] [--size WxH] -- command [args...]
set -euo pipefail
depth=24
size=1280x1024
while [ $# -gt 0 ]; do
  case "$1" in
    --depth) depth=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done

fdfile=$(mktemp)
exec 3>"$fdfile"
# -displayfd picks a free display number, so several servers can run side by side.
Xvfb -displayfd 3 -screen 0 "${size}x${depth}" -nolisten tcp +extension MIT-SHM >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$fdfile" ] && break
  sleep 0.1
done
exec 3>&-
display=":$(head -n1 "$fdfile")"
rm -f "$fdfile"
if [ "$display" = ":" ]; then
  echo "with-xserver: Xvfb did not start" >&2
  kill "$xvfb_pid" 2>/dev/null || true
  exit 1
fi
export DISPLAY=$display

openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
# Wait until the window manager has claimed the screen.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

cleanup() {
  kill "$wm_pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT
status=0
"$@" || status=$?
exit $status

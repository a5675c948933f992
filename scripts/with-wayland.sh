#!/usr/bin/env bash
# Runs a command on a private headless Wayland desktop: sway (output HEADLESS-1, 1920x1080 at 0,0,
# a solid #3366cc background) with Xwayland, a session bus, PipeWire with WirePlumber, and the
# desktop portal with its wlroots backend, handed over only once all of them answer.
# Usage: with-wayland.sh [--scale N] [--portal-preload LIBRARY] -- command [args...]
#   --scale N: the output's scale (the X root then has the logical size, 1920/N x 1080/N)
#   --portal-preload LIBRARY: preloaded into xdg-desktop-portal-wlr alone (also
#     VORLIX_PORTAL_PRELOAD); the tests' build makes one that lets it cast a software-rendered screen
# The command gets WAYLAND_DISPLAY (an absolute path), DISPLAY, SWAYSOCK, XDG_RUNTIME_DIR,
# DBUS_SESSION_BUS_ADDRESS, XDG_SESSION_TYPE=wayland and XDG_CURRENT_DESKTOP=sway; the script exits
# with its status. VORLIX_WAYLAND_LOG=FILE keeps the desktop's log there.
#
# sway refuses to run as root. Run by root, only sway (and so Xwayland) runs as the unprivileged
# user vorlix-wayland, in a runtime folder of its own; everything else runs as root: the portal
# answers only callers of its own user, and nothing of a checkout (which may sit in a folder that
# user cannot enter) is run as that user. Run by anyone else, everything runs as the caller.
set -euo pipefail
scale=1
preload=${VORLIX_PORTAL_PRELOAD:-}
while [ $# -gt 0 ]; do
  case "$1" in
    --scale) scale=$2; shift 2 ;;
    --portal-preload) preload=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
if [ $# -eq 0 ]; then
  echo "usage: with-wayland.sh [--scale N] [--portal-preload LIBRARY] -- command [args...]" >&2
  exit 2
fi
# Long enough for a loaded two-core machine; only a desktop that is broken takes this long.
patience_tenths=600
sway_user=vorlix-wayland

pids=()  # what we started, in order; stopped in reverse
session_dir=
sway_dir=
log=

descendants() {
  local child
  for child in $(pgrep -P "$1" || true); do
    echo "$child"
    descendants "$child"
  done
}
# A process that has ended but is not yet reaped by its new parent counts as gone.
alive() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}
# What a process started on its own is not ours to wait for: sway's Xwayland and swaybg, the services
# the bus started on demand (the permission store, the document portal, the GTK backend). Each goes
# with its parent; what is still there then is ended too, and polled until gone.
stop() {
  local pid=$1 rest left p
  rest=$(descendants "$pid")
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  [ -n "$rest" ] || return 0
  for p in $rest; do
    if alive "$p"; then kill "$p" 2>/dev/null; fi
  done
  for _ in $(seq 50); do
    left=
    for p in $rest; do
      if alive "$p"; then left+=" $p"; fi
    done
    [ -n "$left" ] || return 0
    sleep 0.1
  done
  for p in $left; do kill -KILL "$p" 2>/dev/null; done
}
cleanup() {
  set +e  # clean up all there is, whatever fails on the way
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do stop "${pids[i]}"; done
  if [ -n "${VORLIX_WAYLAND_LOG:-}" ] && [ -s "$log" ]; then cp "$log" "$VORLIX_WAYLAND_LOG"; fi
  if [ -n "$session_dir" ]; then rm -rf "$session_dir"; fi
  if [ -n "$sway_dir" ] && [ "$sway_dir" != "$session_dir" ]; then rm -rf "$sway_dir"; fi
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

fail() {
  echo "with-wayland: $*" >&2
  if [ -n "$log" ] && [ -s "$log" ]; then
    echo "with-wayland: the desktop's log:" >&2
    tail -n 60 "$log" >&2
  fi
  exit 1
}

# Polls `condition...` every tenth of a second; fails when `pid` ends or patience runs out.
wait_for() {  # what, pid, condition...
  local what=$1 pid=$2
  shift 2
  for _ in $(seq $patience_tenths); do
    if "$@"; then return 0; fi
    kill -0 "$pid" 2>/dev/null || fail "$what: its process ended"
    sleep 0.1
  done
  fail "$what: not ready after $((patience_tenths / 10)) s"
}

caller=$(id -un)
session_dir=$(mktemp -d /tmp/vorlix-wayland.XXXXXX)
chmod 700 "$session_dir"
log=$session_dir/desktop.log
: >"$log"
if [ "$(id -u)" -eq 0 ]; then
  # Two fixtures may start side by side: create the user once.
  (
    flock 9
    id -u "$sway_user" >/dev/null 2>&1 ||
      useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$sway_user"
  ) 9>/run/vorlix-wayland-useradd.lock
  sway_dir=$(mktemp -d /tmp/vorlix-sway.XXXXXX)
  chown "$sway_user:" "$sway_dir"
  chmod 700 "$sway_dir"
  # Xwayland's sockets go there; made by root first, as an X server expects.
  mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix
  as_sway=(setpriv --reuid="$sway_user" --regid="$sway_user" --clear-groups)
else
  sway_dir=$session_dir
  as_sway=()
fi

# The sway configuration and the start-up command it runs, in sway's own folder: sway's user
# may be unable to read anything else of ours.
cat >"$sway_dir/sway.conf" <<EOF
output HEADLESS-1 resolution 1920x1080@60Hz position 0,0 scale $scale bg #3366cc solid_color
# Started at once rather than on the first X client, so that it is ready when the command starts.
xwayland force
# Every window floats at the size it asks for, as under a stacking window manager: tiling would
# cover the whole output and hide the background.
for_window [shell=".*"] floating enable
focus_follows_mouse no
exec sh $sway_dir/xwayland-ready.sh
EOF
# Lets the caller's X clients in (Xwayland accepts only sway's user) and tells the display.
cat >"$sway_dir/xwayland-ready.sh" <<EOF
for _ in \$(seq $patience_tenths); do
  if xhost +si:localuser:$caller >/dev/null 2>&1; then
    printf '%s\n' "\$DISPLAY" >"\$XDG_RUNTIME_DIR/x-display.new"
    mv "\$XDG_RUNTIME_DIR/x-display.new" "\$XDG_RUNTIME_DIR/x-display"
    exit 0
  fi
  sleep 0.1
done
exit 1
EOF
if [ ${#as_sway[@]} -gt 0 ]; then chown "$sway_user:" "$sway_dir/sway.conf" "$sway_dir/xwayland-ready.sh"; fi

# Clean environments for the desktop's processes: nothing of the caller's (another python3 or
# library path first, a DISPLAY) leaks in.
base_path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
env -i HOME="$sway_dir" PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$sway_dir" \
  XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway \
  WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=1 \
  "${as_sway[@]}" sway -c "$sway_dir/sway.conf" >>"$log" 2>&1 &
pids+=($!)
sway_pid=$!

bus=$session_dir/bus
# The bus hands its own environment to the services it starts, so it gets a clean one too.
env -i HOME="$session_dir" PATH="$base_path" LANG=C.UTF-8 XDG_RUNTIME_DIR="$session_dir" \
  dbus-daemon --session --nofork --address="unix:path=$bus" >>"$log" 2>&1 &
pids+=($!)
bus_pid=$!
export DBUS_SESSION_BUS_ADDRESS="unix:path=$bus"

wayland_socket() {
  local s
  for s in "$sway_dir"/wayland-*; do
    case "$s" in *.lock) continue ;; esac
    [ -S "$s" ] && { printf '%s\n' "$s"; return 0; }
  done
  return 1
}
sway_socket() {
  local s
  for s in "$sway_dir"/sway-ipc.*.sock; do [ -S "$s" ] && { printf '%s\n' "$s"; return 0; }; done
  return 1
}
quietly() { "$@" >/dev/null; }
wait_for "sway" "$sway_pid" quietly wayland_socket
wait_for "sway's IPC" "$sway_pid" quietly sway_socket
WAYLAND_DISPLAY=$(wayland_socket)
SWAYSOCK=$(sway_socket)
wait_for "the session bus" "$bus_pid" test -S "$bus"

desktop_env=(env -i HOME="$session_dir" PATH="$base_path" LANG=C.UTF-8 XDG_RUNTIME_DIR="$session_dir"
  XDG_CONFIG_HOME="$session_dir/xdg-config" XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
  WAYLAND_DISPLAY="$WAYLAND_DISPLAY" DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS"
  NO_AT_BRIDGE=1 GTK_A11Y=none)

"${desktop_env[@]}" pipewire >>"$log" 2>&1 &
pids+=($!)
wait_for "pipewire" "$!" test -S "$session_dir/pipewire-0"
"${desktop_env[@]}" wireplumber >>"$log" 2>&1 &
pids+=($!)

# Xwayland is up once sway's start-up command has let us in and told its display.
wait_for "Xwayland's display" "$sway_pid" test -s "$sway_dir/x-display"
DISPLAY=$(cat "$sway_dir/x-display")
x_answers() { DISPLAY=$DISPLAY xdpyinfo >/dev/null 2>&1; }
wait_for "Xwayland" "$sway_pid" x_answers
desktop_env+=(DISPLAY="$DISPLAY")
"${desktop_env[@]}" dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XDG_CURRENT_DESKTOP \
  XDG_RUNTIME_DIR XDG_CONFIG_HOME XDG_SESSION_TYPE NO_AT_BRIDGE GTK_A11Y >>"$log" 2>&1 ||
  fail "the session bus took no activation environment"

name_owned() {
  dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q true
}

# The screen-cast backend: the one output, no chooser to answer.
mkdir -p "$session_dir/xdg-config/xdg-desktop-portal-wlr"
cat >"$session_dir/xdg-config/xdg-desktop-portal-wlr/config" <<EOF
[screencast]
output_name=HEADLESS-1
chooser_type=none
max_fps=60
EOF
portal_wlr_env=("${desktop_env[@]}")
if [ -n "$preload" ]; then
  [ -r "$preload" ] || fail "no library to preload at $preload"
  preload=$(realpath "$preload")
  portal_wlr_env+=(LD_PRELOAD="$preload")
fi
"${portal_wlr_env[@]}" /usr/libexec/xdg-desktop-portal-wlr -l INFO >>"$log" 2>&1 &
pids+=($!)
# Owned before the portal starts, or the portal would have the bus start another one.
wait_for "xdg-desktop-portal-wlr" "$!" name_owned org.freedesktop.impl.portal.desktop.wlr
# Only the backends this desktop has: the front end would else fall back, for an interface that
# neither offers (GlobalShortcuts), to whatever other desktop's backend the machine has installed,
# and the bus would start that.
portals=$session_dir/portals
mkdir -p "$portals"
cp /usr/share/xdg-desktop-portal/portals/wlr.portal /usr/share/xdg-desktop-portal/portals/gtk.portal "$portals/"
"${desktop_env[@]}" XDG_DESKTOP_PORTAL_DIR="$portals" /usr/libexec/xdg-desktop-portal >>"$log" 2>&1 &
pids+=($!)
wait_for "xdg-desktop-portal" "$!" name_owned org.freedesktop.portal.Desktop

export WAYLAND_DISPLAY DISPLAY SWAYSOCK XDG_RUNTIME_DIR=$session_dir XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
status=0
"$@" || status=$?
exit $status

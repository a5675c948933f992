#!/usr/bin/env bash
# Recording benchmark: Vorlix against ffmpeg's x11grab on a busy desktop with a window moving over
# it, each desktop on a private Xvfb: 1920x1080x24 (whole screen and a region, every codec), then
# 3840x2160x24 (whole screen); then Vorlix alone on a headless Wayland desktop (sway, 1920x1080,
# the pixels from the screen-cast portal; x11grab reads only black there). Takes several minutes;
# run it on a quiet machine, and read the figures as relative ones on a shared one.
#
#   bench/recording/run_recording_bench.sh BUILD_DIR [SECONDS] [FPS]
#
# VORLIX_BENCH_DESKTOPS="1080p 4k wayland" chooses the desktops (all by default).
# Needs in BUILD_DIR: vorlix, bench/recording/recording_scene, bench/recording/grab_bench,
# bench/msvc1/msvc1_bench, bench/zmbv/zmbv_bench, and for the Wayland desktop the tests' build
# (tests/wayland/libvorlix_portal_wlr_screencopy_fix.so). Prints, for each run: distinct frames written
# against the slots of the time, dropped slots (Vorlix) or duplicated frames (ffmpeg), the
# achieved frame rate, CPU seconds per recorded second, peak resident memory, bytes per second;
# for the Video 1 runs also the PSNR of the last decoded frame against the screen.
set -euo pipefail

build=$(cd "${1:?usage: $0 BUILD_DIR [SECONDS] [FPS]}" && pwd)
seconds=${2:-10}
fps=${3:-50}
desktops=${VORLIX_BENCH_DESKTOPS:-1080p 4k wayland}
# Set inside the Wayland desktop, where this script runs again for that desktop's rows.
on_wayland=${VORLIX_BENCH_ON_WAYLAND:-0}
quality=6550  # Vorlix's default
keyEvery=5    # Vorlix's default key-frame interval, given to ffmpeg too
work=$(mktemp -d /tmp/vorlix-recording-bench.XXXXXX)
xserver=""
scene=""
cleanup() {
  for pid in $scene $xserver; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# ---- the X server and the scene ----
stop_desktop() {
  for pid in $scene $xserver; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  scene=""
  xserver=""
}

start_desktop() {  # WIDTH HEIGHT
  stop_desktop
  rm -f "$work/displayfd"
  exec 3>"$work/displayfd"
  Xvfb -displayfd 3 -screen 0 "$1x$2x24" -nolisten tcp +extension MIT-SHM >/dev/null 2>&1 &
  xserver=$!
  for _ in $(seq 100); do [ -s "$work/displayfd" ] && break; sleep 0.1; done
  exec 3>&-
  export DISPLAY=":$(head -n1 "$work/displayfd")"
  export QT_QPA_PLATFORM=xcb
  "$build/bench/recording/recording_scene" --write-desktop "$work/desktop.png"
  display -window root "$work/desktop.png" || true  # sets the background, then exits with 1
}

pause="$work/pause"
# The moving window starts its path afresh for every run, so that each tool records the same motion.
restart_scene() {
  [ -n "$scene" ] && { kill "$scene" 2>/dev/null || true; wait "$scene" 2>/dev/null || true; }
  "$build/bench/recording/recording_scene" --pause-file "$pause" >/dev/null 2>&1 &
  scene=$!
  sleep 1
}

[ "$on_wayland" = 1 ] || echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at start"
echo

# ---- one run ----
# time_field FILE LABEL: a field of /usr/bin/time -v's report
time_field() { grep -F "$2" "$1" | head -n1 | awk -F': ' '{print $2}'; }

psnr_of_last_frame() {  # FILE X Y W H -> PSNR (dB) of the file's last frame against the screen now
  ffmpeg -nostdin -v error -y -i "$1" -update 1 "$work/last.png"
  if [ "$on_wayland" = 1 ]; then
    grim -g "$2,$3 $4x$5" "$work/screen.png"
  else
    ffmpeg -nostdin -v error -y -f x11grab -draw_mouse 0 -video_size "$4x$5" -i "$DISPLAY+$2,$3" -frames:v 1 \
      "$work/screen.png"
  fi
  ffmpeg -nostdin -hide_banner -i "$work/last.png" -i "$work/screen.png" -lavfi psnr -f null - 2>&1 |
    sed -n 's/.*PSNR.* average:\([0-9.inf]*\).*/\1/p' | tail -n1
}


run() {  # TOOL CODEC AREA X Y W H
  local tool=$1 codec=$2 area=$3 x=$4 y=$5 w=$6 h=$7
  local out="$work/$tool-$codec-$area.avi" log="$work/log" times="$work/times"
  rm -f "$out" "$pause"
  restart_scene
  local watch=0 pauser=""
  [ "$codec" = MSVC ] && watch=1
  # For the PSNR the window stands still for the last part of the run.
  if [ $watch = 1 ]; then
    (sleep $((seconds > 3 ? seconds - 2 : 1)); touch "$pause") &
    pauser=$!
  fi
  if [ "$tool" = vorlix ]; then
    # A desktop session has a session bus. On this bare X server Qt would have libdbus start one,
    # and its fork, as the recording starts, makes every page of the program copy-on-write: the
    # first frames would pay for the missing session, not for the recording. The Wayland desktop
    # has its bus, which the screen-cast portal needs.
    local bus=disabled:
    [ "$on_wayland" = 1 ] && bus=$DBUS_SESSION_BUS_ADDRESS
    DBUS_SESSION_BUS_ADDRESS=$bus /usr/bin/time -v -o "$times" "$build/vorlix" --record "$seconds" "$out" --region "$x,$y,$w,$h" --fps "$fps" \
      --codec "$codec" --quality "$quality" --no-cursor >"$log" 2>&1
    written=$(sed -n 's/^frames written: //p' "$log")
    missed=$(sed -n 's/^slots dropped: //p' "$log")
  else
    local args
    case $codec in
      MSVC) args=(-c:v msvideo1) ;;
      H264) args=(-c:v libx264 -preset ultrafast -tune zerolatency -crf 21.525 -pix_fmt yuv420p) ;;
      ZMBV) args=(-c:v zmbv -compression_level 1) ;;
      MJPG) args=(-c:v mjpeg -q:v 5 -pix_fmt yuvj420p) ;;
    esac
    /usr/bin/time -v -o "$times" ffmpeg -nostdin -hide_banner -y -f x11grab -draw_mouse 0 -framerate "$fps" \
      -video_size "${w}x$h" -i "$DISPLAY+$x,$y" -t "$seconds" -g "$keyEvery" -keyint_min "$keyEvery" \
      "${args[@]}" "$out" >"$log" 2>&1
    # ffmpeg keeps the output's constant rate by repeating frames: the repeats were not grabbed.
    local stats frames dup
    stats=$(tr '\r' '\n' <"$log" | grep '^frame=' | tail -n1)
    frames=$(sed -n 's/^frame= *\([0-9]*\).*/\1/p' <<<"$stats")
    dup=$(sed -n 's/.*dup=\([0-9]*\).*/\1/p' <<<"$stats")
    written=$((frames - ${dup:-0}))
    missed="${dup:-0} dup"
  fi
  [ -n "$pauser" ] && wait "$pauser"
  local cpu peak size psnr="-"
  cpu=$(awk -v u="$(time_field "$times" "User time")" -v s="$(time_field "$times" "System time")" -v t="$seconds" \
    'BEGIN{printf "%.2f", (u+s)/t}')
  peak=$(awk -v k="$(time_field "$times" "Maximum resident set size")" 'BEGIN{printf "%.0f", k/1024}')
  size=$(stat -c %s "$out" 2>/dev/null || echo 0)
  [ $watch = 1 ] && psnr=$(psnr_of_last_frame "$out" "$x" "$y" "$w" "$h")
  rm -f "$pause"
  printf '%-7s %-6s %-10s %4s/%-4s %9s %8.1f %9s %8s %10s %7s\n' "$tool" "$codec" "$area" "$written" \
    $((seconds * fps)) "$missed" "$(awk -v n="$written" -v t="$seconds" 'BEGIN{print n/t}')" "$cpu" "$peak" \
    $((size / seconds)) "$psnr"
  rm -f "$out"
}

bench_desktop() {  # WIDTH HEIGHT AREAS...
  local width=$1 height=$2
  shift 2
  start_desktop "$width" "$height"
  restart_scene
  echo "== grab and conversion against memcpy ($width x $height, the window standing still) =="
  # A microbenchmark of the read itself: the server is not drawing the moving window meanwhile.
  touch "$pause"
  sleep 0.5
  "$build/bench/recording/grab_bench" --frames 200 2>/dev/null
  rm -f "$pause"
  echo
  echo "== recording on $DISPLAY (${width}x${height}x24), $seconds s at $fps fps =="
  printf '%-7s %-6s %-10s %9s %9s %8s %9s %8s %10s %7s\n' tool codec area "written" "dropped" "fps" "CPU s/s" \
    "peak MB" "bytes/s" "PSNR"
  local area geometry codec
  for area in "$@"; do
    # A region is a third of each side, off the centre.
    if [ "$area" = full ]; then geometry=(0 0 "$width" "$height"); else
      geometry=($((width / 3)) $((height * 5 / 18)) $((width / 3)) $((height * 4 / 9)))
    fi
    for codec in MSVC H264 ZMBV MJPG; do
      # ZMBV deflates each frame on one thread: no small machine keeps up with a 4K desktop in it.
      [ "$codec" = ZMBV ] && [ "$width" -gt 1920 ] && continue
      run vorlix $codec "$area" "${geometry[@]}"
      run ffmpeg $codec "$area" "${geometry[@]}"
    done
  done
  echo
}

# The Wayland desktop's rows: the default compressor and H.264 over the whole output, the same
# moving window (an X client on Xwayland) over sway's plain background.
bench_wayland() {
  export QT_QPA_PLATFORM=xcb
  echo "== recording on a headless Wayland desktop (sway 1920x1080, screen-cast portal), $seconds s at $fps fps =="
  printf '%-7s %-6s %-10s %9s %9s %8s %9s %8s %10s %7s\n' tool codec area "written" "dropped" "fps" "CPU s/s" \
    "peak MB" "bytes/s" "PSNR"
  local codec
  for codec in MSVC H264; do run vorlix $codec full 0 0 1920 1080; done
  echo
}

if [ "$on_wayland" = 1 ]; then
  bench_wayland
  exit 0
fi

for desktop in $desktops; do
  case $desktop in
    1080p) bench_desktop 1920 1080 full region ;;
    4k) bench_desktop 3840 2160 full ;;
    wayland)
      stop_desktop
      VORLIX_BENCH_ON_WAYLAND=1 bash "$(dirname "$0")/../../scripts/with-wayland.sh" \
        --portal-preload "$build/tests/wayland/libvorlix_portal_wlr_screencopy_fix.so" -- \
        bash "$0" "$build" "$seconds" "$fps"
      ;;
    *) echo "unknown desktop $desktop" >&2; exit 2 ;;
  esac
done
echo "load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
echo

echo "== our Video 1 encoder against libavcodec's msvideo1 on the same 1080p frames =="
"$build/bench/msvc1/msvc1_bench" --frames 50
echo
echo "== our ZMBV encoder against libavcodec's zmbv on the same 1080p frames =="
"$build/bench/zmbv/zmbv_bench" --frames 50

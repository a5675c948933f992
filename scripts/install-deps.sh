#!/usr/bin/env bash
# Installs what building Vorlix needs on Debian 12; with --package also what making its Debian
# package needs, and with --test all that and what testing needs.
# Only missing packages are installed, so a prepared machine pays nothing.
set -euo pipefail

build_pkgs=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libxcb1-dev libxcb-shm0-dev libxcb-xfixes0-dev libxcb-keysyms1-dev libxcb-shape0-dev libxcb-randr0-dev
  libavcodec-dev libavformat-dev libswscale-dev libavutil-dev libyuv-dev
  libjpeg-dev zlib1g-dev
  libpipewire-0.3-dev libspa-0.2-dev
  xdg-utils file
  help2man
)
package_pkgs=(
  dpkg-dev file
)
test_pkgs=(
  googletest libgtest-dev
  xvfb xserver-xephyr openbox xdotool xclip x11-utils x11-xserver-utils
  ffmpeg imagemagick poppler-utils
  clang libclang-rt-14-dev clang-format
  lintian desktop-file-utils appstream man-db
  # The headless Wayland desktop of scripts/with-wayland.sh, and what its tests use there.
  sway swaybg xwayland pipewire pipewire-bin wireplumber
  xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk
  dbus-daemon dbus-bin procps grim wtype qt6-wayland libwayland-dev
)

want=("${build_pkgs[@]}")
case "${1:-}" in
  --package) want+=("${package_pkgs[@]}") ;;
  --test) want+=("${package_pkgs[@]}" "${test_pkgs[@]}") ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

#!/usr/bin/env bash
# Builds the Debian package and checks it as a user's machine would meet it: lintian, runtime
# dependencies only, the menu entry and AppStream data valid (its screenshot installed), the man
# page renders with the options under OPTIONS, and the installed program starts, takes a still and
# opens the installation's manual from Help. As root (CI) the package is also installed with
# apt-get, tried and removed again.
# Help is driven by a test program of the test build (VORLIX_TEST_BUILD, build/ by default, which
# scripts/test.sh makes); it is built there when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
fail() { echo "test-install: $*" >&2; exit 1; }

deb=$(bash scripts/package.sh)
test_build=${VORLIX_TEST_BUILD:-build}
help_test=$test_build/tests/help/help_installed_test
if [ ! -x "$help_test" ]; then
  bash scripts/install-deps.sh --test >&2
  [ -f "$test_build/CMakeCache.txt" ] || cmake -S . -B "$test_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
  cmake --build "$test_build" --target help_installed_test >&2
fi
version=$(sed -n 's/^project(Vorlix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

# Errors, warnings and any missing hardening (an I: note, hence --info) fail.
lintian_report=$(lintian --info "$deb" 2>/dev/null || true)
if grep -Eq '^[EW]:|^I: [^ ]+ hardening-' <<<"$lintian_report"; then
  fail "lintian reports:"$'\n'"$lintian_report"
fi
depends=$(dpkg-deb -f "$deb" Depends)
if grep -q -- '-dev\b' <<<"$depends"; then fail "a development package among the dependencies: $depends"; fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dpkg-deb -x "$deb" "$stage"
desktop-file-validate "$stage/usr/share/applications/org.vorlix.Vorlix.desktop"
metainfo=$stage/usr/share/metainfo/org.vorlix.Vorlix.metainfo.xml
appstreamcli validate --no-net "$metainfo" >/dev/null
# Each screenshot's address on the site mirrors its installed place, at the size the data states.
site=https://vorlix.org/
images=$(grep -o '<image [^>]*>[^<]*</image>' "$metainfo") || fail "the AppStream data names no screenshot with its size"
while read -r image; do
  url=$(sed 's/.*>\(.*\)<.*/\1/' <<<"$image")
  size=$(sed -n 's/.*width="\([0-9]*\)" height="\([0-9]*\)".*/\1x\2/p' <<<"$image")
  [[ "$url" == "$site"* ]] || fail "screenshot $url is not on $site"
  picture=$stage/usr/share/vorlix/${url#"$site"}
  [ "$(identify -format '%m %wx%h' "$picture")" = "PNG $size" ] || fail "no $size PNG installed for $url"
done <<<"$images"
man_page=$stage/usr/share/man/man1/vorlix.1.gz
man_warnings=$(MANWIDTH=80 man --warnings -l "$man_page" 2>&1 >/dev/null)
[ -z "$man_warnings" ] || fail "the man page renders with warnings: $man_warnings"
# help2man files the options under OPTIONS only when --help heads them so.
options=$(MANWIDTH=80 man -l "$man_page" | sed -n '/^OPTIONS$/,/^[A-Z]/p')
grep -q -- '--still FILE' <<<"$options" || fail "the man page lists no options under OPTIONS"

check_program() {  # the installed executable
  local vorlix=$1
  [ "$("$vorlix" --version)" = "vorlix $version" ] || fail "$vorlix --version does not say $version"
  "$vorlix" --help | grep -q -- '--to-file' || fail "$vorlix --help lacks the commands"
  # Help looks beside the executable, then here: the installed manual must be a PDF there.
  local manual
  manual="$(dirname "$vorlix")/../share/doc/vorlix/vorlix_help.pdf"
  pdfinfo "$manual" >/dev/null || fail "no readable manual at $manual"
  # And Help opens that one, on a private desktop whose PDF viewer logs what it is given.
  QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$stage" VORLIX_INSTALLED_EXECUTABLE="$vorlix" bash scripts/with-xserver.sh -- "$help_test" >&2 ||
    fail "Help of $vorlix does not open $manual"
  local shot="$stage/home/still.bmp"
  mkdir -p "$stage/home"
  HOME="$stage/home" XDG_RUNTIME_DIR="$stage" bash scripts/with-xserver.sh -- "$vorlix" --still "$shot" >/dev/null
  [[ "$(identify -format '%m %w' "$shot")" == BMP*" 1280" ]] || fail "$vorlix --still wrote no screen-wide BMP"
  rm -f "$shot"
}

check_program "$stage/usr/bin/vorlix"
if [ "$(id -u)" = 0 ] && ! dpkg-query -W vorlix >/dev/null 2>&1; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
  trap 'apt-get remove -y -qq vorlix >/dev/null; rm -rf "$stage"' EXIT
  check_program /usr/bin/vorlix
fi
echo "test-install: $(basename "$deb") passes"

#!/usr/bin/env bash
# Builds the Debian package and checks it as a user's machine would meet it: lintian, runtime
# dependencies only, the menu entry and AppStream data valid, the man page renders, and the
# installed program starts, takes a still and has its manual where Help looks. As root (CI) the
# package is also installed with apt-get, tried and removed again.
set -euo pipefail
cd "$(dirname "$0")/.."
fail() { echo "test-install: $*" >&2; exit 1; }

deb=$(bash scripts/package.sh)
version=$(sed -n 's/^project(Vorlix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

lintian_report=$(lintian "$deb" 2>/dev/null || true)
if grep -q '^E:' <<<"$lintian_report"; then fail "lintian reports errors:"$'\n'"$lintian_report"; fi
depends=$(dpkg-deb -f "$deb" Depends)
if grep -q -- '-dev\b' <<<"$depends"; then fail "a development package among the dependencies: $depends"; fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dpkg-deb -x "$deb" "$stage"
desktop-file-validate "$stage/usr/share/applications/org.vorlix.Vorlix.desktop"
appstreamcli validate --no-net "$stage/usr/share/metainfo/org.vorlix.Vorlix.metainfo.xml" >/dev/null
man_warnings=$(MANWIDTH=80 man --warnings -l "$stage/usr/share/man/man1/vorlix.1.gz" 2>&1 >/dev/null)
[ -z "$man_warnings" ] || fail "the man page renders with warnings: $man_warnings"

check_program() {  # the installed executable
  local vorlix=$1
  [ "$("$vorlix" --version)" = "vorlix $version" ] || fail "$vorlix --version does not say $version"
  "$vorlix" --help | grep -q -- '--to-file' || fail "$vorlix --help lacks the commands"
  # Help looks beside the executable, then here: the installed manual must be a PDF there.
  local manual
  manual="$(dirname "$vorlix")/../share/doc/vorlix/vorlix_help.pdf"
  pdfinfo "$manual" >/dev/null || fail "no readable manual at $manual"
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

#!/usr/bin/env bash
# Builds the tests with sanitizers and runs those that exercise our own code; any report fails:
#   address + undefined behaviour: every test area but the end-to-end one (which drives the whole
#     program as a user would and is too slow under the checker) and the Wayland one (which, the
#     same way, drives the whole program on a desktop whose processes are not ours)
#   thread: the camera and recording tests, whose recording thread shares the camera with the UI
#     and hands frames to the stream's coding thread; the codec services' (every encoder loads the
#     next frame while the stream's thread codes the last; a compressor's dialog asked for on
#     another thread shows on the UI thread); and our encoders' (Video 1 codes bands on threads of
#     its own)
# Each build makes only what its tests need: the areas' test targets (tests-<area>) and the
# program, which some tests start. Reports inside libraries we do not build are suppressed in
# scripts/sanitizer-suppressions/.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
supp="$PWD/scripts/sanitizer-suppressions"
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
unset DISPLAY

# The test areas: folders of tests/ with their own CMakeLists.txt.
mapfile -t all_areas < <(for f in tests/*/CMakeLists.txt; do basename "$(dirname "$f")"; done)

run_build() {  # dir, sanitizers, areas...
  local dir=$1 sanitize=$2; shift 2
  local targets=(vorlix) area started=$SECONDS
  for area in "$@"; do targets+=("tests-$area"); done
  local labels
  labels="^($(IFS='|'; echo "$*"))\$"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DVORLIX_SANITIZE=$sanitize" -DVORLIX_BUILD_BENCH=OFF -DVORLIX_WERROR=ON >/dev/null
  cmake --build "$dir" -j "$jobs" --target "${targets[@]}"
  echo "-- built in $((SECONDS - started)) s"
  started=$SECONDS
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" -L "$labels"
  echo "-- tests ran in $((SECONDS - started)) s"
}

asan_areas=()
for area in "${all_areas[@]}"; do
  case "$area" in e2e | wayland) ;; *) asan_areas+=("$area") ;; esac
done

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: ${asan_areas[*]}"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
LSAN_OPTIONS="suppressions=$supp/lsan.txt:print_suppressions=0" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  run_build build-asan "address;undefined" "${asan_areas[@]}"

echo "== ThreadSanitizer: camera codec recording msvc1 zmbv"
TSAN_OPTIONS="suppressions=$supp/tsan.txt:halt_on_error=1:second_deadlock_stack=1" \
  run_build build-tsan thread camera codec recording msvc1 zmbv

#!/usr/bin/env bash
# Builds the tree with sanitizers and runs the tests that exercise our own code:
#   address + undefined behaviour: every test but the end-to-end ones (which run the program as a user would)
#   thread: the tests of the recording engine, whose two threads share the camera
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
supp="$PWD/scripts/sanitizer-suppressions"
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
unset DISPLAY

run_build() {  # dir, sanitizers, ctest selection...
  local dir=$1 sanitize=$2; shift 2
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DVORLIX_SANITIZE=$sanitize" -DVORLIX_BUILD_BENCH=OFF >/dev/null
  cmake --build "$dir"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@"
}

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
LSAN_OPTIONS="suppressions=$supp/lsan.txt:print_suppressions=0" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  run_build build-asan "address;undefined" -LE e2e

echo "== ThreadSanitizer"
TSAN_OPTIONS="suppressions=$supp/tsan.txt:halt_on_error=1:second_deadlock_stack=1" \
  run_build build-tsan thread -L camera

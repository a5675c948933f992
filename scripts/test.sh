#!/usr/bin/env bash
# Installs what is missing, builds Vorlix with its tests (warnings are errors), checks the
# formatting, runs the tests, builds and checks the Debian package (scripts/test-install.sh),
# then runs the fuzz targets for a bounded time, then the sanitizer runs (AddressSanitizer +
# UBSan over the unit and engine tests, ThreadSanitizer over the camera, codec and recording tests; see
# scripts/sanitizers.sh).
# VORLIX_SANITIZERS=0 leaves the sanitizer runs out, for quicker local runs. Tests that need a
# screen start their own Xvfb (with openbox), so no display is needed here.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLIX_WERROR=ON >/dev/null
cmake --build build
# Unformatted code fails here (scripts/format.sh formats it); VORLIX_CHECK_FORMAT=0 skips the check
# for a quick local run.
if [ "${VORLIX_CHECK_FORMAT:-1}" = 1 ]; then bash scripts/check-format.sh; fi
unset DISPLAY
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
ctest --test-dir build --output-on-failure -j "$(nproc)"
bash scripts/test-install.sh
bash scripts/fuzz.sh "${VORLIX_FUZZ_SECONDS:-30}"
if [ "${VORLIX_SANITIZERS:-1}" != 0 ]; then
  bash scripts/sanitizers.sh
fi

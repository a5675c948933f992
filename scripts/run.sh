#!/usr/bin/env bash
# Installs what is missing, builds Vorlix and starts it on the current X display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLIX_BUILD_TESTS=OFF -DVORLIX_BUILD_BENCH=OFF >/dev/null
cmake --build build --target vorlix
exec ./build/vorlix "$@"

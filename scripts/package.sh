#!/usr/bin/env bash
# Builds the Debian package of Vorlix from this tree (a Release build in build-package/, without
# tests or benchmarks) and prints the package's path. Install it with
#   sudo apt-get install ./build-package/vorlix_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --package >&2
dir=build-package
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORLIX_BUILD_TESTS=OFF -DVORLIX_BUILD_BENCH=OFF >&2
cmake --build "$dir" >&2
rm -f "$dir"/vorlix_*.deb
(cd "$dir" && cpack -G DEB >&2)
ls "$PWD/$dir"/vorlix_*.deb

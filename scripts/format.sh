#!/usr/bin/env bash
# Formats the tracked C++ files (or the files given) in place with .clang-format.
# Usage: format.sh [file...]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/clang-format-files.sh
if [ $# -gt 0 ]; then files=("$@"); else mapfile -d '' -t files < <(cpp_files); fi
[ ${#files[@]} -gt 0 ] || exit 0
printf '%s\0' "${files[@]}" | xargs -0 -n 16 -P "$(nproc)" "$clang_format" -i --style=file

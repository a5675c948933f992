#!/usr/bin/env bash
# Fails (exit 1) when a tracked C++ file is not formatted as .clang-format says, listing the
# files; scripts/format.sh formats them.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/clang-format-files.sh
mapfile -d '' -t files < <(cpp_files)
unformatted=()
for f in "${files[@]}"; do
  "$clang_format" --style=file --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "Not formatted (${#unformatted[@]} of ${#files[@]} files; scripts/format.sh formats them):"
  printf '  %s\n' "${unformatted[@]}"
  exit 1
fi
echo "Formatting: all ${#files[@]} C++ files formatted"

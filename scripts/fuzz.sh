#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (with AddressSanitizer and UBSan) and runs each
# for a bounded time. Usage: fuzz.sh [seconds per target, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
out=build-fuzz
mkdir -p "$out"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -Wall -Wextra -Werror -I.)

declare -A sources=(
  [next_free_name]="tests/fuzz/next_free_name_fuzz.cpp app/output_naming.cpp platform/file_system.cpp"
  [dib_conversion]="tests/fuzz/dib_conversion_fuzz.cpp platform/dib_pixels.cpp"
)
status=0
for target in "${!sources[@]}"; do
  # shellcheck disable=SC2086
  clang++ "${flags[@]}" ${sources[$target]} -o "$out/$target"
  mkdir -p "$out/corpus-$target"
  echo "fuzz: $target for ${seconds}s"
  if ! "$out/$target" -max_total_time="$seconds" -max_len=512 -print_final_stats=0 \
       "$out/corpus-$target" >"$out/$target.log" 2>&1; then
    echo "fuzz: $target FAILED"; tail -n 40 "$out/$target.log"; status=1
  else
    grep -E '^Done|^#[0-9]+.*DONE' "$out/$target.log" | tail -n 1 || true
  fi
done
exit $status

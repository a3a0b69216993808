#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each for a while.
# Usage: scripts/fuzz.sh [seconds-per-target]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
dir="$root/build-fuzz"
"$root/scripts/setup.sh"
targets=()
for source in "$root"/fuzz/*_fuzz.cpp; do
  [ -e "$source" ] && targets+=("$(basename "$source" .cpp)")
done
[ ${#targets[@]} -gt 0 ] || exit 0
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDIROR_FUZZ=ON -DDIROR_SANITIZE=ON >/dev/null
ninja -C "$dir" "${targets[@]}"
export QT_QPA_PLATFORM=offscreen
for name in "${targets[@]}"; do
  target="$dir/bin/$name"
  work="$(mktemp -d)"
  seeds="$root/fuzz/corpus/$name"
  echo "== $name for ${seconds}s"
  corpora=("$work")
  [ -d "$seeds" ] && corpora+=("$seeds")
  # A crash fails the run: libFuzzer exits non-zero and keeps the input.
  "$target" -max_total_time="$seconds" -max_len=8192 -print_final_stats=0 "${corpora[@]}" \
    >"$work.log" 2>&1 || { tail -n 40 "$work.log"; exit 1; }
  tail -n 2 "$work.log"
  rm -rf "$work" "$work.log"
done

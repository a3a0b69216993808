#!/usr/bin/env bash
# Compiles the settings store (ini/) for Windows with Debian's MinGW-w64 cross compiler, so that
# its Windows branch keeps building although it cannot run here. Installs the compiler when it
# is missing. Objects only: nothing is linked or run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
compiler=x86_64-w64-mingw32-g++

if ! command -v "$compiler" >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends g++-mingw-w64-x86-64
fi

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
for source in "$root"/ini/*.cpp; do
  "$compiler" -std=c++20 -Wall -Wextra -Werror -I"$root" -c "$source" -o "$out/$(basename "$source" .cpp).o"
done
echo "ini/ compiles for Windows: $(ls "$out" | wc -l) objects"

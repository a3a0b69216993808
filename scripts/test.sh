#!/usr/bin/env bash
# Sets up a fresh machine, builds, and runs the whole test suite on the offscreen platform.
# Usage: scripts/test.sh [build-dir] [cmake options...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build}"
shift || true
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$dir" -DDIROR_TESTS_REQUIRED=ON "$@"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
cd "$dir"
ctest -j"$(nproc)" --output-on-failure --timeout 300

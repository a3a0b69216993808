#!/usr/bin/env bash
# Configures and builds one configuration. Usage: scripts/build.sh [build-dir] [cmake options...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build}"
shift || true
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${DIROR_BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
ninja -C "$dir"

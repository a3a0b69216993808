#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks. Usage: scripts/setup.sh [run|run-headless|all]
#   run           building and running the tool and the simulator
#   run-headless  the same, plus a virtual display and the screenshot tools for a machine without one
#   all           (default) everything: also the tests, the fuzz targets and the package checks
set -euo pipefail

run_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libqt6opengl6-dev qt6-serialport-dev qt6-tools-dev libqcustomplot-dev
  libmosquitto-dev libprotobuf-dev protobuf-compiler
)
headless_packages=(xvfb xauth xdotool imagemagick)
test_packages=(libgtest-dev mosquitto openssl python3 python3-protobuf socat clang libclang-rt-14-dev desktop-file-utils file
  lintian)

case "${1:-all}" in
  run) packages=("${run_packages[@]}") ;;
  run-headless) packages=("${run_packages[@]}" "${headless_packages[@]}") ;;
  all) packages=("${run_packages[@]}" "${headless_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: $0 [run|run-headless|all]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

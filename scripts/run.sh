#!/usr/bin/env bash
# Installs what running needs, builds only the tool and the simulator, starts the simulator on
# 127.0.0.1 and the tool connected to it over TCP. Without a display the tool runs on a virtual
# one and a screenshot of the connected window is saved (the path is printed).
#
# On the first start a settings file is prepared beside the program so that the tool connects
# to the simulator; a settings file the operator already has is never touched.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${DIROR_RUN_BUILD:-$root/build}"
port="${DIROR_SIM_PORT:-10001}"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$root/scripts/setup.sh" run
else
  "$root/scripts/setup.sh" run-headless
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${DIROR_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
ninja -C "$build" chromix5_vantage chromix5_sim
bin="$build/bin"

settings="$bin/PanelSettings.cfg"
if [ ! -e "$settings" ]; then
  printf '%s\r\n' '[GENERAL INFO]' 'FILE TYPE: = "Panel Settings"' \
    'DIROR VERSION: = "CHROMIX5 VANTAGE Diror V1.0"' '' \
    '[COMMUNICATION SETTINGS]' 'COMPROTOCOL = 1' 'COMPORT = 1' 'BAUDRATE = 4' \
    'IP ADRESS = "127.0.0.1"' "PORT NUMBER = \"$port\"" '' >"$settings"
  echo "Prepared $settings: TCP/IP to the simulator at 127.0.0.1:$port"
fi

"$bin/chromix5_sim" --tcp "$port" --target cycle &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
sleep 0.5
kill -0 "$sim" 2>/dev/null || { echo "The simulator did not start (is port $port in use?)" >&2; exit 1; }
echo "Simulator listening on 127.0.0.1:$port"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$bin/chromix5_vantage"
  exit $?
fi

shot="$build/screenshot-connected.png"
echo "No display: running the tool on a virtual one"
XDG_RUNTIME_DIR="$(mktemp -d)" xvfb-run -a -s "-screen 0 1280x800x24" \
  "$root/scripts/demo_screenshot.sh" "$bin/chromix5_vantage" "$shot"
echo "Screenshot of the connected window: $shot"

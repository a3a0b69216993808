#!/usr/bin/env bash
# Inside a virtual display: starts the tool, answers the default-parameter question with No,
# starts live acquisition for a moment, saves a screenshot and closes the tool.
# Usage: demo_screenshot.sh <program> <png>
set -euo pipefail
program="$1"
shot="$2"
"$program" &
tool=$!
find_window() {
  for _ in $(seq 1 100); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# The connection asks whether to send default parameters: keep the sensor's own.
if question=$(find_window '^ATTENTION!$'); then
  xdotool windowfocus --sync "$question" key --clearmodifiers Escape || true
fi
main=$(find_window 'CHROMIX5 VANTAGE Diror V1.0')
sleep 1
xdotool windowfocus --sync "$main" key --clearmodifiers F11 || true
sleep 3
import -window "$main" "$shot"
xdotool windowfocus --sync "$main" key --clearmodifiers F12 || true
sleep 0.5
kill "$tool" 2>/dev/null || true
wait "$tool" || true

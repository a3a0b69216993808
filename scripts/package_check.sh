#!/usr/bin/env bash
# Builds the Debian package from a built tree, runs Debian's own checks on it (lintian, failing
# on any error or warning), checks its menu entry and the gateway's service (unit, conffiles,
# system user), installs it and starts the installed tool offscreen against the installed
# simulator on 127.0.0.1, twice, as a user who cannot write the program's folder: the settings
# must survive in that user's configuration folder. As root the package is installed for real (dpkg -i, then apt-get -f install for what it
# lacks); otherwise it is unpacked into a clean folder.
# Usage: scripts/package_check.sh [build-dir]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
port="${DIROR_SIM_PORT:-10011}"

(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls -t "$build"/chromix5-vantage_*.deb | head -n 1)"
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Depends

# As root lintian says it would rather not be (on standard error, not a finding); it only reads.
lintian --fail-on error,warning "$deb" ||
  { echo "lintian found errors or warnings in $deb" >&2; exit 1; }
echo "lintian: no errors or warnings"

work="$(mktemp -d)"
chmod 755 "$work"  # the operator below must reach the home folder inside
sim=""
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
  [ -n "${DIROR_KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

run_as=()
if [ "$(id -u)" -eq 0 ]; then
  dpkg -i "$deb" >/dev/null 2>&1 || DEBIAN_FRONTEND=noninteractive apt-get -f install -y -qq >/dev/null
  dpkg-query -W -f='${Status}\n' chromix5-vantage | grep -q "install ok installed"
  prefix=""
  # The operator is a user without write access to the installed program's folder.
  user=nobody
  run_as=(setpriv --reuid="$user" --regid="$(id -gn "$user")" --clear-groups)
else
  dpkg-deb -x "$deb" "$work/root"
  prefix="$work/root"
  chmod -R a-w "$prefix/usr/lib/chromix5-vantage"
fi
desktop-file-validate "$prefix/usr/share/applications/chromix5-vantage.desktop"
echo "Menu entry validates"

# The gateway's service: its configuration kept across upgrades, the unit sound for systemd, and
# (installed for real) its user made but the service not enabled.
unit="$prefix/usr/lib/systemd/system/chromix5-gateway.service"
[ -f "$unit" ] && [ -f "$prefix/usr/lib/sysusers.d/chromix5.conf" ] ||
  { echo "The package lacks the gateway's unit or its sysusers file" >&2; exit 1; }
conffiles="$(dpkg-deb --info "$deb" conffiles)"
for f in /etc/chromix5/gateway.conf /etc/chromix5/fleet.list; do
  [ -f "$prefix$f" ] && grep -qx "$f" <<<"$conffiles" ||
    { echo "$f is missing or not a conffile" >&2; exit 1; }
done
if command -v systemd-analyze >/dev/null; then
  # Offline, with the package's own program: it checks every setting and that the programs the
  # unit starts exist. A misspelt setting is only a message to it, so any message fails.
  mkdir "$work/unit"
  sed "s#/usr/bin/chromix5ctl#$prefix/usr/bin/chromix5ctl#" "$unit" >"$work/unit/chromix5-gateway.service"
  verify="$(systemd-analyze verify --man=no "$work/unit/chromix5-gateway.service" 2>&1)" && [ -z "$verify" ] ||
    { echo "systemd-analyze found faults in the gateway's unit:" >&2; echo "$verify" >&2; exit 1; }
fi
if [ -z "$prefix" ]; then
  id -nG chromix5 | grep -qw dialout || { echo "The user chromix5 is missing or not in dialout" >&2; exit 1; }
  [ ! -e /etc/systemd/system/multi-user.target.wants/chromix5-gateway.service ] ||
    { echo "The package enabled the gateway" >&2; exit 1; }
fi
echo "Gateway service: unit verified, configuration files are conffiles"

program="$prefix/usr/bin/chromix5_vantage"
simulator="$prefix/usr/bin/chromix5_sim"
[ -L "$program" ] || { echo "$program is not a link to the program's folder" >&2; exit 1; }

home="$work/home"
config="$home/.config/chromix5_vantage"
mkdir -p "$config" "$home/run"
chmod 700 "$home/run"
printf '%s\r\n' '[GENERAL INFO]' 'FILE TYPE: = "Panel Settings"' '' \
  '[GENERAL SETTINGS]' 'SELECTED LANGUAGE = 5' '' \
  '[COMMUNICATION SETTINGS]' 'COMPROTOCOL = 1' 'COMPORT = 1' 'BAUDRATE = 4' \
  'IP ADRESS = "127.0.0.1"' "PORT NUMBER = \"$port\"" '' >"$config/PanelSettings.cfg"
[ ${#run_as[@]} -eq 0 ] || chown -R "$user" "$home"

"$simulator" --tcp "$port" --log >"$work/sim.log" &
sim=$!
for _ in $(seq 1 100); do
  grep -q "^tcp 127.0.0.1:$port" "$work/sim.log" && break
  sleep 0.1
done
grep -q "^tcp 127.0.0.1:$port" "$work/sim.log" || { echo "The simulator did not start" >&2; exit 1; }

# One start: wait until the tool has asked the sensor for its identity, then end it as a session
# would; it must close in order (dismissing the question it may have open) and keep its settings.
requests() { grep -c '^order ' "$work/sim.log" || true; }
start_once() {
  local before
  before=$(requests)
  env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen \
    "${run_as[@]}" "$program" >"$work/tool.log" 2>&1 &
  local tool=$!
  for _ in $(seq 1 300); do
    [ "$(requests)" -gt "$before" ] && break
    kill -0 "$tool" 2>/dev/null || break
    sleep 0.1
  done
  [ "$(requests)" -gt "$before" ] ||
    { echo "The installed tool did not reach the simulator" >&2; cat "$work/tool.log" >&2; exit 1; }
  kill -TERM "$tool"
  local code=0
  wait "$tool" || code=$?
  [ "$code" -eq 0 ] || { echo "The installed tool ended with $code" >&2; cat "$work/tool.log" >&2; exit 1; }
}

start_once
grep -q 'MAINPANEL FULLSCREEN' "$config/PanelSettings.cfg" ||
  { echo "The first close did not write the settings" >&2; exit 1; }
start_once
grep -q 'SELECTED LANGUAGE = 5' "$config/PanelSettings.cfg" &&
  grep -q "PORT NUMBER = \"$port\"" "$config/PanelSettings.cfg" ||
  { echo "The settings were not kept across two starts" >&2; exit 1; }
[ ! -e "$prefix/usr/lib/chromix5-vantage/PanelSettings.cfg" ] ||
  { echo "Settings were written into the program's folder" >&2; exit 1; }
echo "Installed tool reached the simulator twice and kept its settings in $config"

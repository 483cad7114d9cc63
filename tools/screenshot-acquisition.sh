#!/usr/bin/env bash
# Starts Kestrum.exe (the PE32 product by default) under Wine in a network namespace of its
# own, presses 時刻取得 and saves screenshots of the acquisition sequence while it runs.
#   tools/screenshot-acquisition.sh no-network      only a loopback that is down: the probe
#                                                   fails and インターネット接続待ち(N) counts up
#   tools/screenshot-acquisition.sh loopback-probe  the probe's host points at an HTTP server on
#                                                   127.0.0.1 but there is no time server: the
#                                                   server rotation texts show
# Environment: KESTRUM_PRESET (default win32), KESTRUM_BUILD_DIR (default build/<preset>),
# DISPLAY (otherwise Xvfb is started).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mode=${1:-no-network}
preset=${KESTRUM_PRESET:-win32}
build=${KESTRUM_BUILD_DIR:-build/$preset}
shots=build/screenshots
probe_host=www.msftconnecttest.com

tools/install-deps.sh
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$preset" -B "$build" >/dev/null
cmake --build "$build" -j2 --target Kestrum >/dev/null
tools/wine-prefix.sh
. tools/wine-env.sh
. tools/xvfb.sh
[ -n "${DISPLAY:-}" ] || start_virtual_display
mkdir -p "$shots"
exe=$(realpath "$build/app/Kestrum.exe")
KESTRUM_WINE=$(kestrum_wine_for "$exe")
rm -f "$(dirname "$exe")/Environ.ini"

# Inside the namespace: with loopback-probe, lo up, the probe host on 127.0.0.1 (private
# mount of /etc/hosts) and a small HTTP server answering on port 80.
inner=$(cat <<INNER
set -e
if [ "$mode" = loopback-probe ]; then
  ip link set lo up
  hosts=\$(mktemp)
  printf '127.0.0.1 localhost $probe_host\n' >"\$hosts"
  mount --bind "\$hosts" /etc/hosts
  python3 -m http.server 80 --bind 127.0.0.1 >/dev/null 2>&1 &
  sleep 1
fi
exec "$KESTRUM_WINE" "$exe"
INNER
)
unshare --net --mount --fork bash -c "$inner" </dev/null >/dev/null 2>&1 &
program=$!
# The program runs as the child of unshare; end both (and the HTTP server) by their ids.
stop_program() {
  local children
  children=$(pgrep -P "$program" || true)
  for child in $children; do
    kill $(pgrep -P "$child" || true) "$child" 2>/dev/null || true
  done
  kill "$program" 2>/dev/null || true
}
trap stop_program EXIT

for _ in $(seq 1 80); do
  xdotool search --name '^Kestrum$' >/dev/null 2>&1 && break
  sleep 0.25
done
sleep 2
# 時刻取得: left button of the centred 311 x 172 window on the 1024 x 768 virtual desktop.
xdotool mousemove 416 416 click 1
for n in 1 2; do
  sleep 2.5
  import -window root "$shots/acquisition-$mode-$n.png"
  echo "Screenshot saved to $shots/acquisition-$mode-$n.png"
done

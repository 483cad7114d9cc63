#!/usr/bin/env bash
# End-to-end run of the real Kestrum.exe under Wine against loopback servers (SNTP udp/123, Time
# tcp/37, HTTP tcp/80 for the network probe), all inside private user, network, mount and
# process namespaces: only loopback exists, the time servers' and the probe's host names point
# at 127.0.0.1, and nothing inside has the right to set the machine's clock.
#   tools/e2e.sh [scenario ...]        all scenarios by default (see tools/e2e/scenarios.py)
#   tools/e2e.sh --screenshots-only    only the PNGs of both windows (tools/screenshots.sh)
# Environment: KESTRUM_PRESET (default win32, the PE32 product; win64 for the PE32+ build),
# KESTRUM_BUILD_DIR (default build/<preset>). The loader follows the program's header.
# The harness learns the time servers' names and the probe's address from kestrum-e2e-facts,
# a native program of the linux preset built from the product's own units.
# Screenshots go to build/screenshots/ (those of another preset to build/screenshots/<preset>/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
preset=${KESTRUM_PRESET:-win32}
build=${KESTRUM_BUILD_DIR:-build/$preset}
shots=build/screenshots
[ "$preset" = win32 ] || shots=build/screenshots/$preset

tools/install-deps.sh
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$preset" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target Kestrum kestrum-winpeek kestrum-restricted \
  kestrum-planted >/dev/null
native=build/linux
[ -f "$native/CMakeCache.txt" ] || cmake --preset linux >/dev/null
cmake --build "$native" -j"$(nproc)" --target kestrum-e2e-facts >/dev/null
# The from-zip scenario unpacks the release package; one is made when dist/ has none
# (before Wine's Japanese environment is sourced: the package reads the linker's English map).
if [ $# -eq 0 ] || [[ " $* " == *" from-zip "* ]]; then
  ls dist/Kestrum-*.zip >/dev/null 2>&1 || KESTRUM_DIST_ONCE=1 tools/dist.sh
fi

tools/wine-prefix.sh
. tools/wine-env.sh
KESTRUM_WINE=$(kestrum_wine_for "$build/app/Kestrum.exe")
KESTRUM_WINE64=/usr/lib/wine/wine64
export KESTRUM_WINE KESTRUM_WINE64
echo "e2e: $build/app/Kestrum.exe under $KESTRUM_WINE"

work=$(mktemp -d /tmp/kestrum-e2e.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Real clock minus monotonic clock: a step of the real clock during the run changes it.
clock_gap() { python3 -c 'import time; print(time.time() - time.monotonic())'; }
before=$(clock_gap)
status=0
# The user namespace maps root to an unprivileged user of the machine, so setting the clock is
# refused there; capsh also drops CAP_SYS_TIME from the bounding set, which the run verifies.
unshare --user --map-root-user --net --mount --pid --fork --mount-proc \
  capsh --drop=cap_sys_time -- -c 'exec python3 "$@"' - tools/e2e/scenarios.py \
  --work "$work" --build "$build" --prefix "$WINEPREFIX" --shots "$shots" \
  --facts "$native/tools/e2e/kestrum-e2e-facts" "$@" ||
  status=$?
after=$(clock_gap)
if ! python3 -c "import sys; sys.exit(abs($after - $before) > 1.0)"; then
  echo "e2e: the machine's clock moved by $(python3 -c "print($after - $before)") s during the run" >&2
  status=1
fi
exit "$status"

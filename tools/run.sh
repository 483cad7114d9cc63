#!/usr/bin/env bash
# Builds the product (PE32, preset win32; KESTRUM_PRESET=win64 for the PE32+ build, which is
# also taken where the kernel runs no 32-bit code) and starts it under Wine with the loader its
# header asks for: on $DISPLAY when one is set, otherwise in a virtual display, where a
# screenshot of the screen is saved and the program is then closed.
# Arguments are passed to Kestrum.exe (for example: /S 0 clRed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/install-deps.sh
preset=${KESTRUM_PRESET:-win32}
if [ -z "${KESTRUM_PRESET:-}" ]; then
  status=0
  tools/check-wine.sh >/dev/null || status=$?
  if [ "$status" -eq 3 ]; then
    echo "This kernel runs no 32-bit code, so the PE32 product cannot start here: running the PE32+ build."
    preset=win64
  elif [ "$status" -ne 0 ]; then
    exit "$status"
  fi
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)" --target Kestrum
tools/wine-prefix.sh
. tools/wine-env.sh
exe=build/$preset/app/Kestrum.exe
KESTRUM_WINE=$(kestrum_wine_for "$exe")

if [ -n "${DISPLAY:-}" ]; then
  exec "$KESTRUM_WINE" "$exe" "$@"
fi

. tools/xvfb.sh
start_virtual_display
shot=${KESTRUM_SCREENSHOT:-build/screenshots/run.png}
mkdir -p "$(dirname "$shot")"
"$KESTRUM_WINE" "$exe" "$@" &
program=$!
# Give the window time to appear and paint; an unattended run may end by itself first.
for _ in $(seq 1 40); do
  xdotool search --name 'Kestrum' >/dev/null 2>&1 && break
  kill -0 "$program" 2>/dev/null || break
  sleep 0.25
done
sleep "${KESTRUM_SCREENSHOT_DELAY:-1}"
import -window root "$shot"
echo "Screenshot saved to $shot"
kill "$program" 2>/dev/null || true
# Only our own program ends: the prefix's wineserver may be serving other Wine runs.

#!/usr/bin/env bash
# The whole test run on a fresh Debian 12 machine (as root): installs what is missing, builds
# linux, linux-asan, win64 and win32, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

step() { printf '\n=== %s ===\n' "$*"; }

step "Dependencies"
tools/install-deps.sh

step "Layers: every folder includes only from the folders below it"
python3 tools/check-layers.py

step "Linux build and tests"
cmake --preset linux >/dev/null
cmake --build --preset linux -j"$jobs"
ctest --preset linux -j"$jobs"

step "Linux with AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --preset linux-asan -j"$jobs"

step "Fuzz targets (short budget)"
tools/fuzz.sh

step "win32 build (the product) and its check"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$jobs"
tools/check-pe.sh build/win32/app/Kestrum.exe

step "win64 build and tests under Wine"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j"$jobs"
tools/wine-prefix.sh
. tools/xvfb.sh
start_virtual_display
ctest --preset win64 -j"$jobs"
. tools/wine-env.sh
"$KESTRUM_WINESERVER" -w

step "Release package: two clean builds of the commit give the same Kestrum.exe; the zip"
tools/dist.sh

step "End to end: Kestrum.exe under Wine against loopback servers"
tools/e2e.sh

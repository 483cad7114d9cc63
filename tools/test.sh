#!/usr/bin/env bash
# The whole test run on a fresh Debian 12 machine (as root): installs what is missing, builds
# linux, linux-asan, win32 and win64, runs every test (the Windows ones on both builds) and the
# end-to-end scenarios on the PE32 product (the quick ones on win64 as well).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

# Each step's wall time is printed when the next one starts, and all of them at the end.
step_name="" step_started=0 timings=""
end_step() {
  [ -n "$step_name" ] || return 0
  local took=$((SECONDS - step_started))
  printf '=== %s: %d s ===\n' "$step_name" "$took"
  timings+=$(printf '%6d s  %s' "$took" "$step_name")$'\n'
}
step() {
  end_step
  step_name=$*
  step_started=$SECONDS
  printf '\n=== %s ===\n' "$*"
}

step "Dependencies"
tools/install-deps.sh

# Before the long steps: both loaders start a Windows program. A kernel that runs no 32-bit code
# cannot start the PE32 product at all; its runs are then named as not run, here and at the end.
step "Wine loaders: a PE32 and a PE32+ program"
pe32_runs=yes
tools/check-wine.sh || {
  [ $? -eq 3 ] || exit 1
  pe32_runs=no
}
not_run=()
skip() {
  not_run+=("$*")
  printf 'NOT RUN (this kernel runs no 32-bit code): %s\n' "$*"
}

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

step "win64 build"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j"$jobs"

# Before Wine's Japanese environment is sourced: the package reads the linker's English map.
step "Release package: two clean builds of the commit give the same Kestrum.exe; the zip"
tools/dist.sh

step "Wine prefix (both loaders) and a virtual display"
tools/wine-prefix.sh
. tools/xvfb.sh
start_virtual_display
. tools/wine-env.sh

# A Windows test program that fails is run once more before the step fails: under Wine a few
# loopback tests with 200 ms limits can miss them when the machine is busy.
step "win32 tests under Wine's 32-bit loader"
if [ "$pe32_runs" = yes ]; then
  ctest --preset win32 -j"$jobs" --repeat until-pass:2
  "$KESTRUM_WINESERVER" -w
else
  skip "the win32 tests under Wine's 32-bit loader (the same tests run on win64)"
fi

step "win64 tests under Wine"
ctest --preset win64 -j"$jobs" --repeat until-pass:2
"$KESTRUM_WINESERVER" -w

step "End to end: the PE32 Kestrum.exe under Wine against loopback servers"
if [ "$pe32_runs" = yes ]; then
  KESTRUM_PRESET=win32 tools/e2e.sh
else
  skip "the end-to-end scenarios on the PE32 product, and from-zip (it unpacks the PE32 package)"
fi

# The PE32+ build too, without the two-minute rotation through every server, which would double
# the step; its rules are the same sources, proved above on the product (the hang check, the
# read-only folder and the folder names run here too, so that each is proved once on a machine
# without 32-bit code). The era scenario fakes the clock with a 64-bit library, so it runs here
# only. Where the product cannot run, every scenario but from-zip runs here instead.
step "End to end: the win64 Kestrum.exe"
if [ "$pe32_runs" = yes ]; then
  KESTRUM_PRESET=win64 tools/e2e.sh interactive-sync unattended time-protocol-fallback \
    literal-address old-sntp-time refused-clock-write era slow-path logon-task restricted-pick \
    restricted-sync planted-dlls no-ghost read-only-folder folder-names
else
  KESTRUM_PRESET=win64 tools/e2e.sh interactive-sync unattended time-protocol-fallback \
    literal-address old-sntp-time no-server refused-clock-write sntp-flood five-byte-reply \
    kiss-of-death era slow-path silent-dns logon-task restricted-pick restricted-sync planted-dlls \
    no-ghost read-only-folder folder-names
fi

end_step
printf '\nStep times:\n%s%6d s  in all\n' "$timings" "$SECONDS"
if [ ${#not_run[@]} -gt 0 ]; then
  printf '\nPASSED WITHOUT THE PE32 RUNS: this kernel runs no 32-bit code, so these did not run:\n'
  printf '  - %s\n' "${not_run[@]}"
  printf 'The PE32 product was built and checked (header, imports, size, two identical builds).\n'
fi

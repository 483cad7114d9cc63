#!/usr/bin/env bash
# Proves in a minute, before the long steps, that both Wine loaders run a Windows program here:
# a PE32 one under the 32-bit loader (the product's) and a PE32+ one under wine64.
#   exit 0  both run
#   exit 3  this kernel runs no 32-bit code at all (IA-32 emulation off, or a hypervisor that
#           allows 64-bit user code only): no PE32 program can run on this machine
#   exit 1  anything else: a loader that should run does not (broken install, prefix, ...)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
"$here/wine-prefix.sh"
timeout_s=120
no_32bit_kernel=3

work=$(mktemp -d /tmp/kestrum-wine-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
printf '#include <stdio.h>\nint main(void) { printf("%%d-bit\\n", (int)(8 * sizeof(void*))); return 0; }\n' \
  >"$work/probe.c"

# A shell retries an image the kernel refuses as a script; execve itself says ENOEXEC.
kernel_runs_32bit() {
  python3 -c 'import os, sys
try:
    os.execv(sys.argv[1], sys.argv[1:])
except OSError as e:
    sys.exit(8 if e.errno == 8 else 1)' "$KESTRUM_WINE32" --version >/dev/null 2>&1
  [ $? -ne 8 ]
}

status=0
check() {  # check BITS COMPILER LOADER KIND
  local bits=$1 cc=$2 loader=$3 kind=$4 out
  if ! "$cc" -O1 -static -o "$work/probe$bits.exe" "$work/probe.c" 2>"$work/cc.log"; then
    echo "wine check: cannot build the $kind probe with $cc:" >&2
    cat "$work/cc.log" >&2
    status=1
    return
  fi
  out=$(timeout "$timeout_s" "$loader" "$work/probe$bits.exe" 2>"$work/wine.log" | tr -d '\r') || true
  if [ "$out" = "$bits-bit" ]; then
    echo "wine check: $loader runs a $kind program"
    return
  fi
  echo "wine check: $loader does not run a $kind program (it printed '$out'); its last words:" >&2
  tail -n 5 "$work/wine.log" >&2
  status=1
}

check 64 x86_64-w64-mingw32-gcc-posix "$KESTRUM_WINE" PE32+
if ! kernel_runs_32bit; then
  echo "wine check: THIS KERNEL RUNS NO 32-BIT CODE (execve of the i386 $KESTRUM_WINE32 fails with" \
    "'Exec format error'): no PE32 program, the product Kestrum.exe included, can run on this machine." >&2
  [ "$status" -eq 0 ] && exit "$no_32bit_kernel"
  exit "$status"
fi
check 32 i686-w64-mingw32-gcc-posix "$KESTRUM_WINE32" PE32
[ "$status" -eq 0 ] || echo "wine check: the product Kestrum.exe is PE32 and needs Debian's wine32:i386 (tools/install-deps.sh)." >&2
exit "$status"

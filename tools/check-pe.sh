#!/usr/bin/env bash
# Checks that a Windows executable is a PE32 (i386) GUI program that imports at load time only
# Windows' known DLLs (no MinGW runtime DLL beside it, and nothing a DLL planted in its folder
# could stand in for), stays under the product's size bound, and carries no link time stamp (two
# builds of one commit give the same bytes).
set -euo pipefail
# objdump speaks the locale's language (Japanese where Wine's environment is sourced).
export LC_ALL=C
exe=${1:?usage: check-pe.sh Kestrum.exe}
dump=$(i686-w64-mingw32-objdump -p "$exe")

fail() { echo "check-pe: $exe: $*" >&2; exit 1; }
grep -q 'file format pei-i386' <<<"$dump" || fail "not an i386 PE file"
grep -qE '^Magic[[:space:]]+010b' <<<"$dump" || fail "not PE32"
grep -qE '^Subsystem[[:space:]]+00000002' <<<"$dump" || fail "not a GUI (Windows) subsystem program"
grep -qE '^Time/Date[[:space:]]+Thu Jan  1 00:00:00 1970' <<<"$dump" || fail "has a link time stamp"

# The product measured 474 KB once the unused runtime was left out (it was 1.24 MB); the bound
# keeps it there.
max_bytes=$((512 * 1024))
size=$(stat -c %s "$exe")
[ "$size" -lt "$max_bytes" ] || fail "is $size bytes, not under $max_bytes"

# The known DLLs of Windows 7 to 11: the loader takes them from the system folder whatever the
# search path. Any other system DLL (comctl32, wininet, wsock32, version, uxtheme, ...) is bound
# at run time from the system folder, so it may appear in neither import table.
known_dlls='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comdlg32|imm32|msvcrt|shlwapi|ws2_32)\.dll$'
count=0
while read -r dll; do
  count=$((count + 1))
  grep -qiE "$known_dlls" <<<"$dll" || fail "imports a DLL that is not one of the known DLLs: $dll"
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
[ "$count" -gt 0 ] || fail "no imports found"
# Delay-loaded imports are searched for like load-time ones: there may be none.
grep -qE '^Entry d 00000000 00000000 Delay Import Directory' <<<"$dump" ||
  fail "has delay-loaded imports"
echo "check-pe: $exe is a PE32 GUI program of $size bytes importing $count known DLLs only"

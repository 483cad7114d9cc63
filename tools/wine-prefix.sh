#!/usr/bin/env bash
# Creates the project's Wine prefix once (wineboot, crash dialog off, Japanese font
# substitutes); later calls return at once.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

stamp="$WINEPREFIX/.kestrum-prefix-v2"
[ -f "$stamp" ] && exit 0

winepath_of() { echo "Z:${1//\//\\}"; }

mkdir -p "$WINEPREFIX"
echo "Creating the Wine prefix in $WINEPREFIX ..."
"$KESTRUM_WINE" wineboot -i >/dev/null 2>&1 || true
"$KESTRUM_WINESERVER" -w
# Settings: no crash dialog, a Wine-drawn desktop (window frames without a window manager),
# and Debian's IPA fonts standing in for the Japanese Windows fonts. regedit wants UTF-16.
reg=$(mktemp --suffix=.reg)
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$here/wine-prefix.reg.txt"; } >"$reg"
"$KESTRUM_WINE" regedit /S "$(winepath_of "$reg")" >/dev/null 2>&1
rm -f "$reg"
"$KESTRUM_WINESERVER" -w
touch "$stamp"

#!/usr/bin/env bash
# Runs one Windows program under Wine in the project's prefix, with the loader its header asks
# for: the cross-compiling emulator of the win32 and win64 builds. DISPLAY must name a
# (virtual) display; tools/test.sh provides one.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
"$here/wine-prefix.sh"
exec "$(kestrum_wine_for "$1")" "$@"

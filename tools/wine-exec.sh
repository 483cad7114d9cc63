#!/usr/bin/env bash
# Runs one Windows program under Wine in the project's prefix: the cross-compiling emulator of
# the win64 build. DISPLAY must name a (virtual) display; tools/test.sh provides one.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
"$here/wine-prefix.sh"
exec "$KESTRUM_WINE" "$@"

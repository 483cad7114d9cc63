#!/usr/bin/env bash
# Saves PNG screenshots of both windows of the PE32 product (KESTRUM_PRESET=win64 for the PE32+
# build) under Xvfb + Wine, in the namespaces of the end-to-end harness:
# build/screenshots/main-window.png (the main window after start) and
# build/screenshots/progress-window.png (the progress window of a "/S" run, held up by time
# servers that never answer).
set -euo pipefail
exec "$(dirname "$0")/e2e.sh" --screenshots-only

#!/usr/bin/env bash
# Saves PNG screenshots of both windows of the PE32 product (KESTRUM_PRESET=win64 for the PE32+
# build) under Xvfb + Wine, in the namespaces of the end-to-end harness:
# build/screenshots/main-window.png (the main window after start) and
# build/screenshots/progress-window.png (the progress window of a "/S" run, held up by time
# servers that never answer), and copies both into docs/, where the README shows them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/e2e.sh" --screenshots-only
mkdir -p "$root/docs"
for name in main-window progress-window; do
  cp "$root/build/screenshots/$name.png" "$root/docs/$name.png"
done
echo "screenshots: docs/main-window.png docs/progress-window.png"

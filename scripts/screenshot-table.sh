#!/usr/bin/env bash
# Makes docs/table-page.png, docs/cell-dialog.png and docs/autostart-dialog.png: the page "Tabelle" with
# the demo project and a record as the simulator sends it, the cell dialog of its boiler cell, and the
# autostart dialog, rendered offscreen by dedezuviv-screenshots.
# BUILD_DIR names a build tree that holds it; without it the release tree is built first.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${BUILD_DIR:-}" ] || ./scripts/build.sh >/dev/null
bin=${BUILD_DIR:-build}
QT_QPA_PLATFORM=offscreen "$bin"/tests/dedezuviv-screenshots docs \
  table-page.png cell-dialog.png autostart-dialog.png
echo "docs/table-page.png, docs/cell-dialog.png and docs/autostart-dialog.png written"

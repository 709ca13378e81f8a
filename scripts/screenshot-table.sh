#!/usr/bin/env bash
# Makes docs/table-page.png, docs/cell-dialog.png and docs/autostart-dialog.png: the page "Tabelle" with
# the demo project and a record as the simulator sends it, the cell dialog of its boiler cell, and the
# autostart dialog, as the window tests show them, rendered offscreen.
# BUILD_DIR names a build tree that holds test_gui; without it the release tree is built first.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${BUILD_DIR:-}" ] || ./scripts/build.sh >/dev/null
bin=${BUILD_DIR:-build}
DEDEZUVIV_SCREENSHOT_DIR="$PWD/docs" QT_QPA_PLATFORM=offscreen "$bin"/tests/test_gui \
  --gtest_filter='TablePageTest.DemoProjectShowsReadableCellsInTheirColours:AutostartCommandsTest.EntriesAreMadeValidatedAndRemovedAgain' \
  >/dev/null
echo "docs/table-page.png, docs/cell-dialog.png and docs/autostart-dialog.png written"

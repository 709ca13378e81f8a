#!/usr/bin/env bash
# Makes docs/export-dialog.png, docs/export-batch-dialog.png and docs/fieldlist-editor.png: the export
# dialog, the batch-export dialog and the field selection editor as the window tests fill them,
# rendered offscreen.
# BUILD_DIR names a build tree that holds test_gui; without it the release tree is built first.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${BUILD_DIR:-}" ] || ./scripts/build.sh >/dev/null
bin=${BUILD_DIR:-build}
DEDEZUVIV_SCREENSHOT_DIR="$PWD/docs" QT_QPA_PLATFORM=offscreen "$bin"/tests/test_gui \
  --gtest_filter='ExportCommandsTest.ExportDialogWritesTheFileAndReportsIt:ExportCommandsTest.BatchDialogWritesOneFilePerPeriod:ExportCommandsTest.EditorOpensWithNeuForAProjectWithoutSelections' \
  >/dev/null
echo "docs/export-dialog.png, docs/export-batch-dialog.png and docs/fieldlist-editor.png written"

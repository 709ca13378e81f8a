#!/usr/bin/env bash
# Makes docs/export-dialog.png, docs/export-batch-dialog.png and docs/fieldlist-editor.png: the export
# dialog, the batch-export dialog and the field selection editor, rendered offscreen by
# dedezuviv-screenshots.
# BUILD_DIR names a build tree that holds it; without it the release tree is built first.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${BUILD_DIR:-}" ] || ./scripts/build.sh >/dev/null
bin=${BUILD_DIR:-build}
QT_QPA_PLATFORM=offscreen "$bin"/tests/dedezuviv-screenshots docs \
  export-dialog.png export-batch-dialog.png fieldlist-editor.png
echo "docs/export-dialog.png, docs/export-batch-dialog.png and docs/fieldlist-editor.png written"

#!/usr/bin/env bash
# Makes docs/project-settings.png, docs/mqtt-settings.png and docs/dataset-definition.png: the project
# settings (page "Allgemein" and page "MQTT") and the dataset definition with a device definition just
# read, rendered offscreen by dedezuviv-screenshots.
# BUILD_DIR names a build tree that holds it; without it the release tree is built first.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${BUILD_DIR:-}" ] || ./scripts/build.sh >/dev/null
bin=${BUILD_DIR:-build}
QT_QPA_PLATFORM=offscreen "$bin"/tests/dedezuviv-screenshots docs \
  project-settings.png mqtt-settings.png dataset-definition.png
echo "docs/project-settings.png, docs/mqtt-settings.png and docs/dataset-definition.png written"

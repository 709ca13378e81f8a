#!/usr/bin/env bash
# Makes docs/project-settings.png, docs/mqtt-settings.png and docs/dataset-definition.png: the project
# dialogs as the window tests fill them (a new project's settings, the MQTT page; a device definition just
# imported), rendered offscreen.
# BUILD_DIR names a build tree that holds test_gui; without it the release tree is built first.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${BUILD_DIR:-}" ] || ./scripts/build.sh >/dev/null
bin=${BUILD_DIR:-build}
DEDEZUVIV_SCREENSHOT_DIR="$PWD/docs" QT_QPA_PLATFORM=offscreen "$bin"/tests/test_gui \
  --gtest_filter='ProjectCommandsTest.NewProjectFromTheTemplateIsKeptAfterTheSettings:ProjectCommandsTest.DatasetDefinitionFromADeviceFile:ProjectCommandsTest.MqttPage*' \
  >/dev/null
echo "docs/project-settings.png, docs/mqtt-settings.png and docs/dataset-definition.png written"

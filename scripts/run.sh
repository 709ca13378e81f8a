#!/usr/bin/env bash
# The main job: builds the program and decodes the bundled sample capture of a controller's serial
# line, printing one line per record (normalised text, TAB, the decoded values as JSON).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
exec build/tools/dedezuviv-tool decode --now 2026-12-08T14:30:09 data/sample-capture.txt

#!/usr/bin/env bash
# Makes docs/chart-week.png: the demo's week of history (the simulator's model, recorded as the logger
# would have) on the chart tab, drawn by "dedezuviv-tool plot", which renders the window's charts
# offscreen with the window's own code.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${BUILD_DIR:-}" ] || ./scripts/build.sh >/dev/null
bin=${BUILD_DIR:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp data/demo/Demo.p-p "$work/Demo.p-p"
"$bin"/tools/dedezuviv-simulator --history "$work/Demo.p-p" --days 7 --seed 7 >/dev/null
from=$(date -d '7 days ago' '+%Y-%m-%dT%H:%M:%S')
to=$(date '+%Y-%m-%dT%H:%M:%S')
"$bin"/tools/dedezuviv-tool plot --project "$work/Demo.p-p" --from "$from" --to "$to" \
  --fields "Außen (Temperatur), Kessel (Temperatur), Warmwasser (Temperatur), Heizungspumpe (Relais), Speicherpumpe (Relais)" \
  --size 1024x768 docs/chart-week.png 2>/dev/null
echo "docs/chart-week.png written"

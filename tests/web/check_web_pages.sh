#!/usr/bin/env bash
# The web view in a real browser: the logger runs on a copy of the demo project with two days of
# history and the simulator as its controller; headless Chromium loads the live page and the charts
# page, runs their own script, and must log no console error; the rendered pages must show the table,
# the field list and both charts. With --screenshots FOLDER the pages are also photographed at phone
# (360 px) and desktop (1280 px) width.
#
# Usage: check_web_pages.sh BUILD_DIR [--screenshots FOLDER]
set -euo pipefail
BUILD="$(cd "$1" && pwd)"
SHOTS=""
if [ "${2:-}" = "--screenshots" ]; then SHOTS="$(mkdir -p "$3" && cd "$3" && pwd)"; fi
if ! command -v chromium >/dev/null || ! command -v node >/dev/null; then
  echo "chromium oder node fehlt: scripts/install-deps.sh installiert sie" >&2
  exit 1
fi

WORK="$(mktemp -d)"
PIDS=()
cleanup() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT

PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cp "$(dirname "$0")/../../data/demo/Demo.p-p" "$WORK/Demo.p-p"
"$BUILD/tools/dedezuviv-simulator" --history "$WORK/Demo.p-p" --days 2 >/dev/null
"$BUILD/tools/dedezuviv-simulator" --link "$WORK/tty" --interval 1 >"$WORK/simulator.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 200); do [ -e "$WORK/tty" ] && break; sleep 0.05; done
XDG_CONFIG_HOME="$WORK/config" HOME="$WORK" env -u DISPLAY -u WAYLAND_DISPLAY \
  "$BUILD/dedezuviv" -headless "/PROJECT=$WORK/Demo.p-p" "/PORT=$WORK/tty" /START "/HTTP=127.0.0.1:$PORT" \
  >"$WORK/logger.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 400); do grep -q "Webansicht auf" "$WORK/logger.log" && break; sleep 0.05; done
# A few records, so that the live page has values.
python3 - "$PORT" <<'PY'
import sys, time, urllib.request
for _ in range(300):
    try:
        text = urllib.request.urlopen(f"http://127.0.0.1:{sys.argv[1]}/metrics", timeout=5).read().decode()
        if any(l.startswith("dedezuviv_records_total ") and float(l.split()[1]) >= 2 for l in text.splitlines()):
            break
    except OSError:
        pass
    time.sleep(0.1)
PY

failed=0
node --experimental-websocket "$(dirname "$0")/browser_check.mjs" "http://127.0.0.1:$PORT/" $SHOTS || failed=1
if [ "$failed" -ne 0 ]; then
  echo "--- Protokoll des Loggers" >&2
  cat "$WORK/logger.log" >&2
  exit 1
fi
echo "Webseiten ohne Konsolenfehler geladen und gezeichnet."

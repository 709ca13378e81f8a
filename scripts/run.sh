#!/usr/bin/env bash
# The main job: builds the program and starts the logger on the bundled demo project, with the
# controller simulator on a new pseudo-terminal as the controller. With a display the window opens;
# without one ($DISPLAY and $WAYLAND_DISPLAY unset) the logger runs headless and prints its log until
# Ctrl+C. Recorded data goes to the demo folder named below (DEDEZUVIV_DEMO_DIR changes it).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh >/dev/null

DEMO_DIR="${DEDEZUVIV_DEMO_DIR:-$PWD/demo-run}"
TCP_PORT="${DEDEZUVIV_DEMO_TCPPORT:-4000}"
HTTP_PORT="${DEDEZUVIV_DEMO_HTTPPORT:-8080}"
mkdir -p "$DEMO_DIR/config"
DEMO_DIR="$(cd "$DEMO_DIR" && pwd)"
# A fresh copy of the demo project each time; the recorded data stays.
cp data/demo/Demo.p-p "$DEMO_DIR/Demo.p-p"
# A week of history from the simulator's model, recorded as the logger would have (days that have a
# file already stay as they are), and the chart and export dialogs set to that week: a new user sees
# a chart (Grafik > Grafische Auswertung erstellen, OK) and can export at once.
build/tools/dedezuviv-simulator --history "$DEMO_DIR/Demo.p-p" --days 7 >/dev/null
WEEK_START=$(date -d '7 days ago' '+%d.%m.%Y %H:%M:%S')
WEEK_END=$(date '+%d.%m.%Y %H:%M:%S')
for section in PlotEditDlg ExportDlg; do
  printf '\r\n[%s]\r\nStartDatePicker=%s\r\nStartTimePicker=%s\r\nFinalDatePicker=%s\r\nFinalTimePicker=%s\r\nFieldListSelComboBox=0\r\nTimeIncrementMaskEdit=00:00:00\r\n' \
    "$section" "$WEEK_START" "$WEEK_START" "$WEEK_END" "$WEEK_END" >>"$DEMO_DIR/Demo.p-p"
done
LINK="$DEMO_DIR/regler-tty"
rm -f "$LINK"

build/tools/dedezuviv-simulator --link "$LINK" --interval 2 >"$DEMO_DIR/simulator.log" 2>&1 &
SIMULATOR=$!
trap 'kill "$SIMULATOR" 2>/dev/null || true; wait "$SIMULATOR" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -e "$LINK" ] && break
  sleep 0.05
done
if [ ! -e "$LINK" ]; then
  echo "Der Reglersimulator ist nicht gestartet:" >&2
  cat "$DEMO_DIR/simulator.log" >&2
  exit 1
fi

MODE=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  MODE=(-headless)
fi
cat <<INFO
DEDEZUviv-Vorführung
  Projekt:      $DEMO_DIR/Demo.p-p
  Regler:       Simulator an $LINK
  Aufzeichnung: $DEMO_DIR/Demo/data/ (eine Datei je Tag)
  Netzwerk:     printf 'INDEX 1 0\n' | nc -q1 localhost $TCP_PORT   (Kesseltemperatur)
  Webansicht:   http://127.0.0.1:$HTTP_PORT/
INFO
if [ ${#MODE[@]} -gt 0 ]; then
  echo "  Ohne Fenster (keine grafische Anzeige); beenden mit Strg+C."
fi

# The demo's own settings file, so that the user's last project stays untouched.
status=0
XDG_CONFIG_HOME="$DEMO_DIR/config" build/dedezuviv "${MODE[@]}" "/PROJECT=$DEMO_DIR/Demo.p-p" "/PORT=$LINK" \
  /START "/TCPPORT=$TCP_PORT" "/HTTP=127.0.0.1:$HTTP_PORT" || status=$?
exit "$status"

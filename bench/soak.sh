#!/usr/bin/env bash
# Soak run of the headless logger against the simulator: records at a high rate for a long time, the
# line pulled every few minutes (the simulator ends, its pty link goes away, a new simulator comes back
# under the same name on another pty). Afterwards it checks that every record the simulator sent while
# the line was up is in the day files at most once and missing only in flight at a pull, and that the
# logger's memory stayed flat after warm-up. Prints the figures; exit 1 when a check fails.
#
#   bench/soak.sh [MINUTES (10)] [RECORDS_PER_SECOND (50)] [PULL_EVERY_SECONDS (120)]
# Needs a built tree in build/ (./scripts/build.sh). LOGGER_OPTIONS adds options to the logger's command
# line, e.g. LOGGER_OPTIONS=/MQTT=127.0.0.1 to publish every record meanwhile.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-10}
rate=${2:-50}
pull_every=${3:-120}
build=${BUILD_DIR:-build}
logger_bin="$build/dedezuviv"
simulator_bin="$build/tools/dedezuviv-simulator"
work=$(mktemp -d /tmp/dedezuviv-soak.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true' EXIT

link="$work/regler"
printf '[General]\r\nName=Soak\r\nSamplingInterval=0\r\nRoot=%s\r\n[Field Definitions]\r\nTemperature=Aussen,Kessel\r\n' \
  "$work/data" >"$work/Soak.p-p"
interval=$(awk -v r="$rate" 'BEGIN { printf "%.4f", 1 / r }')

start_simulator() {
  "$simulator_bin" --link "$link" --interval "$interval" -v >"$work/sent.$1.txt" 2>/dev/null &
  simulator=$!
  for _ in $(seq 100); do [ -e "$link" ] && return 0; sleep 0.05; done
  echo "simulator did not start" >&2
  exit 1
}

run=1
start_simulator $run
XDG_CONFIG_HOME="$work/config" DISPLAY= WAYLAND_DISPLAY= \
  "$logger_bin" -headless "/PROJECT=$work/Soak.p-p" "/PORT=$link" /START ${LOGGER_OPTIONS:-} >"$work/logger.txt" 2>&1 &
logger=$!

end=$((SECONDS + minutes * 60))
next_pull=$((SECONDS + pull_every))
warmup=$((SECONDS + 60))
rss_min=0
rss_max=0
pulls=0
while [ $SECONDS -lt $end ]; do
  sleep 5
  rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$logger/status")
  if [ $SECONDS -ge "$warmup" ]; then
    if [ "$rss_min" -eq 0 ] || [ "$rss" -lt "$rss_min" ]; then rss_min=$rss; fi
    if [ "$rss" -gt "$rss_max" ]; then rss_max=$rss; fi
  fi
  if [ $SECONDS -ge "$next_pull" ] && [ $SECONDS -lt $((end - 20)) ]; then
    kill -TERM "$simulator"; wait "$simulator" || true
    pulls=$((pulls + 1))
    sleep 2  # unplugged for a moment
    run=$((run + 1))
    start_simulator $run
    next_pull=$((SECONDS + pull_every))
  fi
done
sleep 2
kill -TERM "$simulator"; wait "$simulator" || true
sleep 1
kill -TERM "$logger"; wait "$logger" || true

# What was sent (the simulator's verbose lines of records) against what was recorded (the day-file lines
# without the PC time the logger appends), as multisets.
cat "$work"/sent.*.txt | grep -a '^Gesendet [0-9]*: ' | sed 's/^Gesendet [0-9]*: //' | tr -d '\r' | sort >"$work/sent.sorted"
cat "$work"/data/data/*.* 2>/dev/null | tr -d '\r' | sed 's#/r[0-9. :]*\##\##' | sort >"$work/recorded.sorted"
sent=$(wc -l <"$work/sent.sorted")
recorded=$(wc -l <"$work/recorded.sorted")
missing=$(comm -23 "$work/sent.sorted" "$work/recorded.sorted" | wc -l)
extra=$(comm -13 "$work/sent.sorted" "$work/recorded.sorted" | wc -l)
reopened=$(grep -c 'wieder geöffnet' "$work/logger.txt" || true)

echo "minutes=$minutes rate=$rate/s pulls=$pulls reopened=$reopened"
echo "sent=$sent recorded=$recorded missing=$missing extra_or_duplicated=$extra"
echo "rss_after_warmup_kb: min=$rss_min max=$rss_max growth=$((rss_max - rss_min))"
status=0
# A record in flight when the line is pulled may be lost with the pty; a few per pull at most.
if [ "$extra" -ne 0 ]; then echo "FAIL: records recorded more often than sent"; status=1; fi
if [ "$missing" -gt $((pulls * rate / 5 + 5)) ]; then echo "FAIL: more records missing than were in flight"; status=1; fi
if [ "$reopened" -lt "$pulls" ]; then echo "FAIL: the logger did not come back after every pull"; status=1; fi
if [ $((rss_max - rss_min)) -gt 1024 ]; then echo "FAIL: memory grew by more than 1 MB"; status=1; fi
echo "work folder: $work"
exit $status

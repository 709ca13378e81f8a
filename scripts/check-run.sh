#!/usr/bin/env bash
# Checks the README's main command as a new user without a display would run it: the demo logger
# runs headless for a while, is stopped with Ctrl+C (SIGINT), and must have logged, recorded and
# answered a network request, and ended with exit code 0.
set -euo pipefail
cd "$(dirname "$0")/.."
DEMO_DIR="$(mktemp -d)"
trap 'rm -rf "$DEMO_DIR"' EXIT
PORT=$((20000 + RANDOM % 20000))
HTTP_PORT=$((PORT + 1))
OUT="$DEMO_DIR/run.out"

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DEDEZUVIV_DEMO_DIR="$DEMO_DIR/demo" \
  DEDEZUVIV_DEMO_TCPPORT="$PORT" DEDEZUVIV_DEMO_HTTPPORT="$HTTP_PORT" timeout --preserve-status -s INT 20 scripts/run.sh >"$OUT" 2>&1 &
RUN=$!

fail() { echo "check-run: $*" >&2; cat "$OUT" >&2; exit 1; }

answer=""
for _ in $(seq 150); do
  if grep -q '^=MD/' "$OUT" 2>/dev/null; then
    answer="$(printf 'INDEX 1 0\n' | nc -q1 -w2 localhost "$PORT" || true)"
    live="$(curl -s -m 5 "http://127.0.0.1:$HTTP_PORT/api/live" || true)"
    [ -n "$answer" ] && [ -n "$live" ] && break
  fi
  sleep 0.1
done
# Ctrl+C (timeout passes the signal on to the whole demo).
[ -n "$answer" ] && kill -INT "$RUN" 2>/dev/null
status=0
wait "$RUN" || status=$?

[ "$status" -eq 0 ] || fail "exit code $status instead of 0"
grep -q 'Netzwerkzugriff erfolgreich aktiviert.' "$OUT" || fail "network server not started"
grep -q 'Stoppe Logging.' "$OUT" || fail "no clean stop"
grep -q "Webansicht:   http://127.0.0.1:$HTTP_PORT/" "$OUT" || fail "web view address not printed"
[[ "$live" == '{"project":"Demo"'* ]] || fail "web view answer \"${live:0:200}\""
[[ "$answer" =~ ^value=[0-9.]+\;valid=1\;$ ]] || fail "network answer \"$answer\""
day_files=("$DEMO_DIR"/demo/Demo/data/*.txt)
[ -f "${day_files[0]}" ] || fail "no day file"
# Every recorded line is complete: "=" ... "#" and CR LF.
if grep -qavP '^=MD/.*#\r$' "${day_files[@]}"; then fail "incomplete line in a day file"; fi
echo "check-run: demo logger ran headless, recorded $(cat "${day_files[@]}" | wc -l) line(s), answered \"$answer\", exit 0"

#!/usr/bin/env bash
# Real-window smoke test of the platform layer under Xvfb, driven by xdotool:
# a quick click is one push, F12 writes a 640 x 480 screenshot, Escape and a
# close request (SIGTERM) end the program with status 0 and the quit line.
set -euo pipefail
demo=$1
work=$(mktemp -d)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

fail() { echo "FAIL: $*"; exit 1; }
lastline() { grep -v '^$' "$work/run.log" | tail -n 1; }

start_demo() {
  (cd "$work" && exec "$demo") &
  pid=$!
  window=$(timeout 10 xdotool search --sync --name "orba platform demo" | head -n 1)
  [ -n "$window" ] || fail "no window"
  xdotool mousemove --window "$window" 320 240
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  sleep 0.3
}

# 1. click, screenshot, Escape
start_demo
xdotool click 1
sleep 0.4
[ "$(grep -c '^push' "$work/run.log")" = 1 ] || fail "a quick click should give exactly one push"
xdotool key --window "$window" F12
sleep 0.4
[ -f "$work/screenshot.bmp" ] || fail "F12 wrote no screenshot.bmp"
python3 - "$work/screenshot.bmp" <<'PY' || fail "screenshot is not 640 x 480"
import struct, sys
data = open(sys.argv[1], 'rb').read()
w, h = struct.unpack('<ii', data[18:26])
sys.exit(0 if data[:2] == b'BM' and w == 640 and abs(h) == 480 else 1)
PY
xdotool key --window "$window" Escape
status=0; wait "$pid" || status=$?
[ "$status" = 0 ] || fail "Escape: exit status $status"
[ "$(lastline)" = "dOrba system quit." ] || fail "Escape: last log line '$(lastline)'"

# 2. close request
start_demo
kill -TERM "$pid"
status=0; wait "$pid" || status=$?
[ "$status" = 0 ] || fail "SIGTERM: exit status $status"
[ "$(lastline)" = "dOrba system quit." ] || fail "SIGTERM: last log line '$(lastline)'"
echo "platform smoke test passed"

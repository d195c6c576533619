#!/usr/bin/env bash
# e2e_scale.sh ENGINE GAME_DIR WORK_DIR
#
# A copy of the sample game with WINDOW_SCALE = 2, in a real window under
# Xvfb: the window is 1280 x 960, F12 still saves the 640 x 480 frame, and
# clicks at window positions reach the game at half of them: the pages turn
# and the click on the third choice's row picks it. Exit 77 (skipped) when
# Xvfb, xdotool or python3 is missing. E2E_DISPLAY names the display number
# to use (default: a free one that Xvfb chooses).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
engine=$(realpath "$1") game=$2 work=$3
shot_size=$((54 + 640 * 480 * 3))

# shellcheck source=tests/e2e/checks.sh
source "$root/tests/e2e/checks.sh"
require_tools Xvfb xdotool python3

rm -rf "$work"
mkdir -p "$work"
cp -r "$game" "$work/game"
game=$work/game
echo "WINDOW_SCALE = 2" >>"$game/resource/level/game.ini"

stop_all_on_exit

# A desktop that holds the doubled window.
screen=1920x1200x24
start_display $screen "$work/xvfb.log"

(cd "$game" && SDL_AUDIODRIVER=dummy exec "$engine") >"$work/stdout.log" 2>&1 &
engine_pid=$!
window=$(timeout 20 xdotool search --sync --classname advengine | head -n 1) || true
[[ -n $window ]] || { echo "FAILED: no window (see $work/stdout.log)" >&2; exit 1; }
xdotool mousemove --window "$window" 1240 40
timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true

geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: *//p')
check test "$geometry" = 1280x960

click_at() {
    xdotool mousemove --window "$window" "$1" "$2"
    sleep 0.1
    xdotool mousedown 1
    sleep 0.1
    xdotool mouseup 1
    sleep 0.3
}

# Waits until an F12 screenshot shows every pixel check (frame positions).
shows() {
    local shot=$game/screenshot.bmp
    for _ in $(seq 60); do
        rm -f "$shot"
        press F12
        for _ in $(seq 40); do [[ -f $shot && $(stat -c %s "$shot") -ge $shot_size ]] && break; sleep 0.05; done
        sleep 0.05
        [[ -f $shot ]] && python3 "$root/scripts/shotcheck.py" "$shot" "$@" >/dev/null && return 0
        sleep 0.2
    done
    cp "$shot" "$work/failed.bmp" 2>/dev/null || true
    return 1
}

check shows 596,446=FFD23C 540,80=FAF0CD
check test "$(stat -c %s "$game/screenshot.bmp")" = "$shot_size"
# The pages up to the choice (sample/playthrough.txt), each turned by a click.
for scene in "130,290=D64870 320,290=C8B48C" "320,290=248C84 510,290=60A850" "510,290=E89C24" \
    "41,100=grey:160-254 41,220=A0A0A0"; do
    click_at 1240 40
    # shellcheck disable=SC2086 # the checks are separate words
    check shows $scene
done
click_at 640 460  # frame (320, 230): the third choice's row
logged() { for _ in $(seq 100); do grep -qx "$1" "$game/run.log" && return 0; sleep 0.1; done; return 1; }
check logged "Lanterns to make: 3"
press Escape
check wait "$engine_pid"
engine_pid=""
finish_checks "$work" "e2e: a window at scale 2 is 1280 x 960 and its clicks reach the game"

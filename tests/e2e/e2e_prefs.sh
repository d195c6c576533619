#!/usr/bin/env bash
# e2e_prefs.sh ENGINE GAME_DIR WORK_DIR
#
# A copy of the sample game in a real window under Xvfb: F1 opens the
# preferences, Down to the window size and Right makes the window 1280 x 960
# at once; Escape closes the screen and keeps the choice in
# save/preferences.txt, and the next start opens at 1280 x 960 again. Exit
# 77 (skipped) when Xvfb or xdotool is missing. E2E_DISPLAY names the
# display number to use (default: a free one that Xvfb chooses).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
engine=$(realpath "$1") game=$2 work=$3

# shellcheck source=tests/e2e/checks.sh
source "$root/tests/e2e/checks.sh"
require_tools Xvfb xdotool

rm -rf "$work"
mkdir -p "$work"
cp -r "$game" "$work/game"
game=$work/game

stop_all_on_exit

start_display 1920x1200x24 "$work/xvfb.log"

press() {
    xdotool keydown "$1"
    sleep 0.1
    xdotool keyup "$1"
    sleep 0.2
}

# Starts the engine and sets window to its window.
start_engine() {
    (cd "$game" && SDL_AUDIODRIVER=dummy exec "$engine") >>"$work/stdout.log" 2>&1 &
    engine_pid=$!
    window=$(timeout 20 xdotool search --sync --classname advengine | head -n 1) || true
    [[ -n $window ]] || { echo "FAILED: no window (see $work/stdout.log)" >&2; exit 1; }
    timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
    sleep 1
}

# Whether the window's size becomes $1 within a few seconds.
sized() {
    for _ in $(seq 50); do
        [[ $(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: *//p') == "$1" ]] && return 0
        sleep 0.1
    done
    return 1
}

quit_engine() {
    press Escape
    check wait "$engine_pid"
    engine_pid=""
}

start_engine
check sized 640x480
press F1
for _ in 1 2 3 4 5; do press Down; done  # the window size's row
press Right
check sized 1280x960
press Escape  # closes the preferences, which are kept
check grep -qx "window_scale 2" "$game/save/preferences.txt"
quit_engine

start_engine
check sized 1280x960
quit_engine
check test "$(last_line "$game/run.log")" = "dOrba system quit."
finish_checks "$work" "e2e: the window size chosen in the preferences is the next start's"

#!/usr/bin/env bash
# e2e_caption.sh ENGINE GAME_DIR WORK_DIR
#
# In a real window under Xvfb, on a copy of the sample game titled in
# Japanese: the window's names (_NET_WM_NAME, which window managers show, and
# WM_NAME) hold the game's caption in full, and in developer mode the caption
# with the script and page, at the start and after a page is turned. Exit 77
# (skipped) when Xvfb, xdotool or xprop is missing. E2E_DISPLAY names the
# display number to use (default: a free one that Xvfb chooses).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
engine=$(realpath "$1") game=$2 work=$3
caption="湖の灯籠"
dash=$'\xE2\x80\x94'

# shellcheck source=tests/e2e/checks.sh
source "$here/checks.sh"
require_tools Xvfb xdotool xprop

rm -rf "$work"
mkdir -p "$work"
cp -r "$game" "$work/game"
sed -i "s/^CAPTION[[:space:]]*=.*/CAPTION = $caption/" "$work/game/resource/level/game.ini"

stop_all_on_exit

start_display 1024x768x24 "$work/xvfb.log"

# Starts the engine with the arguments given; the window is found by its class.
start_engine() {
    (cd "$work/game" && SDL_AUDIODRIVER=dummy exec "$engine" "$@") >"$work/stdout.log" 2>&1 &
    engine_pid=$!
    window=$(timeout 20 xdotool search --sync --classname advengine | head -n 1) || true
    [[ -n $window ]] || { echo "FAILED: no window (see $work/stdout.log)" >&2; exit 1; }
}

# Whether both names of the window become "$1" within $2 tenths of a
# second (default 100).
names_become() {
    local name
    for _ in $(seq "${2:-100}"); do
        for name in _NET_WM_NAME WM_NAME; do
            [[ $(LC_ALL=C.UTF-8 xprop -id "$window" -notype "$name") == "$name = \"$1\"" ]] || { sleep 0.1; continue 2; }
        done
        return 0
    done
    LC_ALL=C.UTF-8 xprop -id "$window" _NET_WM_NAME WM_NAME >&2
    return 1
}

# The engine quits on the press of Escape and may have closed its window
# before xdotool sends the release: its exit status is what tells.
stop_engine() {
    xdotool key --window "$window" Escape 2>/dev/null || true
    check wait "$engine_pid"
    engine_pid=""
}

start_engine
check names_become "$caption"
stop_engine

start_engine --dev
check names_become "$caption $dash start.lua, page 1"
for _ in $(seq 10); do
    xdotool mousemove --window "$window" 320 240 click 1
    names_become "$caption $dash start.lua, page 2" 20 2>/dev/null && break
done
check names_become "$caption $dash start.lua, page 2"
stop_engine
finish_checks "$work" "e2e: the window's names held the Japanese caption in full, and developer mode's at each page"

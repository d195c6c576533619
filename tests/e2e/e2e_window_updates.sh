#!/usr/bin/env bash
# e2e_window_updates.sh ENGINE WINDOWSHOT GAME_DIR WORK_DIR
#
# Small changes of the screen reach the X window in requests of the
# engine's own, past SDL: the window must show exactly the frame F12 saves.
# A copy of the sample game whose pages differ in a letter (a change of a
# few hundred pixels) and whose page-feed icon stands still, at scale 1 and
# 2: after each click, the window's pixels (windowshot) are compared with
# the screenshot. Exit 77 (skipped) when Xvfb, xdotool or python3 is missing.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
engine=$(realpath "$1") windowshot=$(realpath "$2") game=$3 work=$4

# shellcheck source=tests/e2e/checks.sh
source "$root/tests/e2e/checks.sh"
require_tools Xvfb xdotool python3

rm -rf "$work"
mkdir -p "$work"
stop_all_on_exit
start_display 1920x1200x24 "$work/xvfb.log"

# Plays three pages at a scale, comparing the window with the frame on each.
play_at_scale() {
    local scale=$1 out=$work/scale$1 window
    copy_game_at_scale "$2" "$out" "$scale" $'say("Page a")\npage()\nsay("Page b")\npage()\nsay("Page c")\npage()\n'
    sed -i 's/^PF_TIMER *=.*/PF_TIMER = 0/' "$game/resource/level/game.ini"
    launch_game "$engine" "$out/stdout.log" "$scale"
    timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
    sleep 1
    for page in a b c; do
        screenshot "$game" "$out/frame-$page.bmp"
        check "$windowshot" "$window" "$scale" "$out/window-$page.bmp"
        check python3 "$root/scripts/shotcompare.py" "$out/frame-$page.bmp" "$out/window-$page.bmp"
        press Return
        sleep 0.5
    done
    if cmp -s "$out/frame-a.bmp" "$out/frame-b.bmp"; then
        echo "FAILED: the page did not turn at scale $scale" >&2
        failures=$((failures + 1))
    fi
    stop_game
}

source_game=$game
play_at_scale 1 "$source_game"
play_at_scale 2 "$source_game"
finish_checks "$work" "e2e: small changes shown in the window as in the frame, at scale 1 and 2; pictures in $work"

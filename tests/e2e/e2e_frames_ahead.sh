#!/usr/bin/env bash
# e2e_frames_ahead.sh ENGINE WINDOWSHOT GAME_DIR WORK_DIR
#
# While a page waits for the player, the X server shows the page-feed icon's
# cells by itself and the engine sleeps. At scale 1 and 2, on a copy of the
# sample game whose icon moves once a second (PF_TIMER = 30):
# - over 3 s on the waiting page, the window's pixels change (the icon moves)
#   while the engine's main thread wakes at most a few times (once for each
#   of the icon's changes without the server);
# - the window shows the engine's frames: a window shot taken just before F12
#   equals F12's frame (the frame last shown, the server's last cell
#   included) in most of eight tries; a cell may change between the two.
# Exit 77 (skipped) when Xvfb or xdotool is missing.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
engine=$(realpath "$1") windowshot=$(realpath "$2") game=$3 work=$4

# shellcheck source=tests/e2e/checks.sh
source "$root/tests/e2e/checks.sh"
require_tools Xvfb xdotool

rm -rf "$work"
mkdir -p "$work"
stop_all_on_exit
start_display 1920x1200x24 "$work/xvfb.log"

# Whether two screenshots hold the same pixels (their headers may differ in
# a field), rows of 640 pixels needing no padding.
same_pixels() { cmp -s <(tail -c $((640 * 480 * 3)) "$1") <(tail -c $((640 * 480 * 3)) "$2"); }

main_thread_wakes() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$engine_pid/task/$engine_pid/status"; }

play_at_scale() {
    local scale=$1 out=$work/scale$1 window
    copy_game_at_scale "$2" "$out" "$scale" $'say("Page a")\npage()\nsay("Page b")\npage()\n'
    sed -i 's/^PF_TIMER *=.*/PF_TIMER = 30/' "$game/resource/level/game.ini"
    launch_game "$engine" "$out/stdout.log" "$scale"
    sleep 2.5

    local before after
    before=$(main_thread_wakes)
    for i in 1 2 3 4 5 6; do
        check "$windowshot" "$window" "$scale" "$out/quiet-$i.bmp"
        sleep 0.5
    done
    after=$(main_thread_wakes)
    echo "scale $scale: the engine's main thread woke $((after - before)) times in 3 s"
    check test $((after - before)) -le 1
    local distinct
    distinct=$(for shot in "$out"/quiet-*.bmp; do tail -c $((640 * 480 * 3)) "$shot" | md5sum; done | sort -u | wc -l)
    check test "$distinct" -ge 2

    local matched=0
    for i in 1 2 3 4 5 6 7 8; do
        sleep 1.5
        "$windowshot" "$window" "$scale" "$out/before-$i.bmp"
        screenshot "$game" "$out/frame-$i.bmp"
        if same_pixels "$out/frame-$i.bmp" "$out/before-$i.bmp"; then matched=$((matched + 1)); fi
    done
    echo "scale $scale: the window before F12 showed F12's frame in $matched of 8 tries"
    check test "$matched" -ge 4
    stop_game
}

source_game=$game
play_at_scale 1 "$source_game"
play_at_scale 2 "$source_game"
finish_checks "$work" "e2e: the waiting page's icon shown by the X server, the engine asleep, at scale 1 and 2; pictures in $work"

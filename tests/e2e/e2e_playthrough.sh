#!/usr/bin/env bash
# e2e_playthrough.sh ENGINE GAME_DIR WORK_DIR
#
# Plays a fresh copy of the sample game through in a real window under Xvfb
# (scripts/playthrough.sh), then checks that run.log ends with "GAME END",
# that the choice reached the log, and a few pixels of the screenshots: a
# background, a character and the choice boxes. Exit 77 (skipped) when Xvfb,
# xdotool or python3 is missing.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
engine=$1 game=$2 work=$3
out=$work/playthrough
shotcheck=$root/scripts/shotcheck.py

rm -rf "$work"
mkdir -p "$work"
cp -r "$game" "$work/game"

status=0
SDL_AUDIODRIVER=dummy "$root/scripts/playthrough.sh" "$engine" "$work/game" "$out" || status=$?
((status == 0)) || exit "$status"

# shellcheck source=tests/e2e/checks.sh
source "$root/tests/e2e/checks.sh"
check test "$(last_line "$out/run.log")" = "GAME END"
check grep -qx "Lanterns to make: 3" "$out/run.log"
# The title background: the moon, and the page-feed cursor over the message window.
check python3 "$shotcheck" "$out/01-title.bmp" 540,80=FAF0CD 596,446=FFD23C
# Tom, the middle character, on the garden lawn; then gone again.
check python3 "$shotcheck" "$out/03-tom.bmp" 320,290=248C84 130,290=D64870
check python3 "$shotcheck" "$out/07-tomleft.bmp" 320,290=C8B48C
# The choice boxes: the first one highlighted (grey 160 and 64 plus the
# pulse), the others plain, outer box from x 40 and inner box from x 44.
check python3 "$shotcheck" "$out/05-choice.bmp" 40,80=grey:160-254 43,100=grey:160-254 44,84=grey:64-158 \
    595,115=grey:64-158 599,119=grey:160-254 40,140=A0A0A0 44,144=404040 595,175=404040 599,179=A0A0A0 \
    39,100!=A0A0A0 40,200=A0A0A0 50,220=404040
finish_checks "$out" "e2e: the sample game played through; screenshots and run.log are in $out"

#!/usr/bin/env bash
# e2e_saveload.sh ENGINE GAME_DIR WORK_DIR
#
# In a real window under Xvfb, on a fresh copy of the sample game: saves on a
# page with F2, quits with Escape, starts again and loads with F3
# (tests/e2e/saveload.txt, inserted into sample/playthrough.txt and played by
# scripts/playthrough.sh). The loaded
# screen must equal the one saved, the game must play on to its end, and the
# quit must have left the save and the autosave. Exit 77 (skipped) when
# Xvfb, xdotool or python3 is missing.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
engine=$1 game=$2 work=$3
out=$work/saveload

rm -rf "$work"
mkdir -p "$work"
cp -r "$game" "$work/game"

# The sample's own play-through, with the save, quit and load after Tom's page.
steps=$work/steps.txt
awk -v extra="$here/saveload.txt" '
    { print }
    $1 == "tom" { while ((getline line < extra) > 0) if (line !~ /^(#|$)/) print line }
' "$root/sample/playthrough.txt" >"$steps"

status=0
PLAYTHROUGH_STEPS=$steps "$root/scripts/playthrough.sh" "$engine" "$work/game" "$out" || status=$?
((status == 0)) || exit "$status"

# shellcheck source=tests/e2e/checks.sh
source "$here/checks.sh"
shot() { echo "$out"/[0-9][0-9]-"$1".bmp; }

check python3 "$root/scripts/shotcompare.py" "$(shot saved)" "$(shot loaded)"
check test -s "$work/game/save/slot1.sav"
check test -s "$work/game/save/auto.sav"
check test "$(last_line "$out/run.log")" = "GAME END"
finish_checks "$out" "e2e: saved, quit, loaded and played on to the end; screenshots and run.log are in $out"

#!/usr/bin/env bash
# e2e_saveload.sh ENGINE GAME_DIR WORK_DIR
#
# In a real window under Xvfb, on a fresh copy of the sample game: saves on a
# page with F2, quits with Escape, starts again and loads with F3
# (tests/e2e/saveload.txt, played by scripts/playthrough.sh). The loaded
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

status=0
PLAYTHROUGH_STEPS=$here/saveload.txt "$root/scripts/playthrough.sh" "$engine" "$work/game" "$out" || status=$?
((status == 0)) || exit "$status"

failures=0
check() {
    echo "check: $*"
    if ! "$@"; then
        echo "FAILED: $*" >&2
        failures=$((failures + 1))
    fi
}
shot() { echo "$out"/[0-9][0-9]-"$1".bmp; }

check python3 "$root/scripts/shotcompare.py" "$(shot saved)" "$(shot loaded)"
check test -s "$work/game/save/slot1.sav"
check test -s "$work/game/save/auto.sav"
check test "$(grep -v '^[[:space:]]*$' "$out/run.log" | tail -n 1)" = "GAME END"
((failures == 0)) || { echo "$failures check(s) failed; screenshots and run.log are in $out" >&2; exit 1; }
echo "e2e: saved, quit, loaded and played on to the end; screenshots and run.log are in $out"

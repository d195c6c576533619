#!/usr/bin/env bash
# package_guards.sh BUILD_DIR GAME_DIR WORK_DIR
#
# scripts/package.sh replaces only what it made and refuses what a player's
# copy could not use. Each row prepares WORK_DIR, packages and checks the
# exit status, a part of the message (none for a package made) and that a
# file is there afterwards (what the author had, or the package).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$1 game=$2 work=$3
# shellcheck source=tests/e2e/checks.sh
source "$here/checks.sh"

rm -rf "$work"
mkdir -p "$work"
cd "$work"
cp -r "$game" game

# name | preparation | arguments | part of the refusal, or "" | a file there afterwards
rows=(
    "names that begin with a dash|cp -r game ./-g|-g -out||-out.tar.gz"
    "again over the package it made|:|-- -g -out||-out/.package-made-here"
    "a package's own game into it|touch ./-out/game/save-me|./-out/game ./-out|which holds it|-out/game/save-me"
    "a folder it did not make|mkdir mine && touch mine/play mine/advengine|game mine|is not a package|mine/play"
    "a folder named as its archive|mkdir -p mine2.tar.gz && touch mine2.tar.gz/x|game mine2|mine2.tar.gz exists|mine2.tar.gz/x"
    "into the game folder|:|game game/out|inside the game folder|game/resource/level/game.ini"
    "a link out of the game|cp -r game linked && ln -s /etc/hostname linked/name.txt|linked out1|name.txt -> /etc/hostname|linked/name.txt"
    "a font out of the game|cp -r game font && echo 'FONT = ../x.ttf' >>font/resource/level/game.ini|font out2|leaves the game folder|font/resource/level/game.ini"
)

for row in "${rows[@]}"; do
    IFS='|' read -r name prepare arguments refusal remains <<<"$row"
    echo "case: $name"
    before=$failures
    eval "$prepare"
    status=0
    # shellcheck disable=SC2086 # the arguments are separate words
    output=$(ORBA_BUILD_DIR=$build "$root/scripts/package.sh" $arguments 2>&1) || status=$?
    if [[ -z $refusal ]]; then
        check test "$status" = 0
    else
        check test "$status" = 1
        check grep -qF -- "$refusal" <<<"$output"
    fi
    check test -e "$remains"
    ((failures == before)) || echo "$output" >&2
done
finish_checks "$work" "e2e: package.sh made packages under names with a dash and refused the rest"

#!/usr/bin/env bash
# package_web.sh BUILD_DIR GAME_DIR WORK_DIR
#
# scripts/package.sh --web makes a game's page from a copy of GAME_DIR (a
# caption with HTML's special characters, a DejaVu font named but not in the
# folder): the folder with the page titled by the caption, the engine, the
# packed game with its font and the licences, and the zip with index.html at
# its root. A font that is neither the game's nor a DejaVu font is refused
# before anything is built. Uses advcheck from BUILD_DIR and the dependencies
# built in build-web/ (or ORBA_WEB_BUILD_DIR): only the engine is linked.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(realpath -m -- "$1") game=$(realpath -- "$2") work=$(realpath -m -- "$3")
# shellcheck source=tests/e2e/checks.sh
source "$here/checks.sh"

rm -rf "$work"
mkdir -p "$work"
cd "$work"
cp -r "$game" tea
rm -f tea/DejaVuSans.ttf
echo 'CAPTION = Tea & <Cakes> "at 5"' >>tea/resource/level/game.ini
cp -r tea nofont
echo 'FONT = Missing.ttf' >>nofont/resource/level/game.ini

echo "case: a game with a DejaVu font and a caption to escape"
ORBA_BUILD_DIR=$build "$root/scripts/package.sh" --web tea page
for file in index.html advengine.js advengine.wasm advengine.data page.zip .package-made-here \
    licenses/fonts-dejavu-core/copyright licenses/libsdl1.2/copyright; do
    check test -s "page/$file"
done
check grep -qF '<title>Tea &amp; &lt;Cakes&gt; &quot;at 5&quot;</title>' page/index.html
check grep -qF '"/DejaVuSans.ttf"' page/advengine.js
check test ! -e tea/DejaVuSans.ttf
listing=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' page/page.zip)
for name in index.html advengine.js advengine.wasm advengine.data licenses/libsdl1.2/copyright; do
    check grep -qx -- "$name" <<<"$listing"
done
check test "$(grep -c -e '\.package-made-here' -e '\.zip$' <<<"$listing")" = 0

echo "case: a font the page cannot have"
status=0
output=$("$root/scripts/build-web.sh" --game nofont nopage 2>&1) || status=$?
check test "$status" = 1
check grep -qF "Missing.ttf of game.ini is neither in the game folder nor one of Debian's DejaVu fonts" <<<"$output"
check test ! -e nopage
finish_checks "$work" "e2e: package.sh --web made the game's page and its zip, and refused a font it cannot pack"

#!/usr/bin/env bash
# build-web.sh [--game GAME] [OUT]
#
# Builds the engine for the browser with emscripten and leaves in OUT
# (default build-web/out) a folder any static web server serves:
#   OUT/index.html      the page: the canvas, the download's progress, click to start;
#                       titled with the game's CAPTION
#   OUT/advengine.js    the engine's loader, OUT/advengine.wasm the engine
#   OUT/advengine.data  the game with its font, packed
#   OUT/licenses/       the copyright files of the libraries and the font
#   OUT/advengine-web.zip  the same with index.html at its root
# The game is GAME (unchecked: scripts/package.sh --web checks it first), or
# the sample game, whose files are made with the machine's own compiler in
# build-web/native. A FONT of game.ini must be in the game folder or be one
# of Debian's DejaVu fonts, which is packed with it: the page has no system
# fonts. It installs the Debian packages it needs, builds the dependencies
# into build-web/deps (again only when they are missing or their recipe,
# scripts/web-deps.sh with scripts/debian-sources.sh, the SDL bridge or the
# toolchain file changed), then
# the engine in build-web/engine with cmake/emscripten.cmake.
#
# Environment: ORBA_WEB_BUILD_DIR (instead of build-web).
set -euo pipefail

fail() {
    echo "build-web: $*" >&2
    exit 1
}

source_game=""
if [[ ${1:-} == --game ]]; then
    [[ $# -ge 2 ]] || fail "--game needs a game folder"
    [[ -f $2/resource/level/game.ini ]] || fail "no game in $2 (resource/level/game.ini is missing)"
    source_game=$(realpath -- "$2")
    shift 2
fi
[[ $# -le 1 ]] || { echo "usage: $0 [--game GAME] [OUT]" >&2; exit 2; }

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${ORBA_WEB_BUILD_DIR:-$root/build-web}")
out=$(realpath -m "${1:-$build/out}")
toolchain=$root/cmake/emscripten.cmake
deps=$build/deps
engine=$build/engine
game=$build/game
# emcc's optimizer needs acorn, which Debian's node modules hold.
export NODE_PATH=/usr/share/nodejs

say() { echo "build-web: $*"; }
# shellcheck source=scripts/debian-sources.sh
source "$root/scripts/debian-sources.sh"

install_packages() {
    bash "$root/scripts/deps.sh"
    bash "$root/scripts/deps.sh" emscripten cmake ninja-build pkg-config dpkg-dev debian-archive-keyring python3 \
        fonts-dejavu-core
}

# A value of the game's game.ini without its comment and spacing (the last one wins).
setting() {
    sed -n "s/#.*//; s/^[[:space:]]*$2[[:space:]]*=[[:space:]]*//p" "$1/resource/level/game.ini" |
        tail -n 1 | sed 's/[[:space:]]*$//'
}

# The font the game names, beside it: the page has no system fonts. A font
# of the game folder stays as it is; one of Debian's DejaVu fonts named by
# its file alone is copied in, with its licence.
font_licence=false
copy_font() {
    local font
    font=$(setting "$1" FONT)
    [[ -z $font ]] && return
    if [[ $font != /* && $font != ../* && $font != */../* && -f $1/$font ]]; then return; fi
    [[ $font != */* && -f /usr/share/fonts/truetype/dejavu/$font ]] ||
        fail "the font $font of game.ini is neither in the game folder nor one of Debian's DejaVu fonts; put it in the game folder"
    cp "/usr/share/fonts/truetype/dejavu/$font" "$1/$font"
    font_licence=true
}

# The game's files, without what a play of it left there.
copy_game() {
    rm -rf "$game"
    mkdir -p "$game"
    (cd "$source_game" && tar -cf - --exclude=./run.log --exclude=./screenshot.bmp --exclude=./save .) |
        (cd "$game" && tar -xf -)
    copy_font "$game"
}

# The sample game's pictures and sounds are made by a tool of the build.
build_game() {
    cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORBA_TESTS=OFF -DORBA_BENCH=OFF \
        >/dev/null
    cmake --build "$build/native" -j2 --target sample_game
    source_game=$build/native/sample-game
    copy_game
}

# The engine built for size (-Oz also sets the optimizer's level at the link),
# as the page is downloaded before it starts.
build_engine() {
    cmake -S "$root" -B "$engine" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DORBA_WEB_DEPS="$deps/prefix" \
        -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-Oz -DNDEBUG" "-DCMAKE_C_FLAGS_RELEASE=-Oz -DNDEBUG" \
        -DORBA_TESTS=OFF -DORBA_BENCH=OFF -DORBA_WEB_GAME="$game" >/dev/null
    # The packed game is read at link time: a changed game links again.
    rm -f "$engine/adv/advengine.js"
    cmake --build "$engine" -j2 --target advengine
}

# The page, titled with the game's CAPTION (HTML-escaped) when it has one.
write_page() {
    python3 - "$root/web/index.html" "$1" "$(setting "$game" CAPTION)" <<'EOF'
import html, sys
page, target, caption = sys.argv[1], sys.argv[2], sys.argv[3]
text = open(page, encoding="utf-8").read()
if caption:
    text = text.replace("<title>Game</title>", "<title>" + html.escape(caption) + "</title>", 1)
open(target, "w", encoding="utf-8", errors="replace").write(text)
EOF
}

# The page's folder and its zip, each put in place whole.
make_folder() {
    local stage name=advengine-web
    mkdir -p "$out"
    stage=$(mktemp -d "$out/.$name.XXXXXX")
    write_page "$stage/index.html"
    cp "$engine/adv/advengine.js" "$engine/adv/advengine.wasm" "$engine/adv/advengine.data" "$stage/"
    cp -r "$deps/prefix/share/licenses" "$stage/licenses"
    if $font_licence; then
        mkdir -p "$stage/licenses/fonts-dejavu-core"
        cp /usr/share/doc/fonts-dejavu-core/copyright "$stage/licenses/fonts-dejavu-core/"
    fi
    chmod 755 "$stage"
    python3 - "$stage" "$stage/$name.zip" <<'EOF'
import os, sys, zipfile
stage, target = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(target + ".part", "w", zipfile.ZIP_DEFLATED) as z:
    for folder, _, files in sorted(os.walk(stage)):
        for f in sorted(files):
            path = os.path.join(folder, f)
            if not f.endswith(".part"):
                z.write(path, os.path.relpath(path, stage))
os.replace(target + ".part", target)
EOF
    rm -rf "${out:?}"/{index.html,advengine.js,advengine.wasm,advengine.data,licenses,$name.zip}
    mv "$stage"/* "$out/"
    rmdir "$stage"
    say "$out: advengine.wasm $(du -h "$out/advengine.wasm" | cut -f1), advengine.data $(du -h "$out/advengine.data" | cut -f1), $name.zip $(du -h "$out/$name.zip" | cut -f1)"
}

started=$SECONDS
install_packages
if [[ -n $source_game ]]; then copy_game; else build_game; fi
cached_dependencies "$root/scripts/web-deps.sh" "$deps" "$root/web/sdl-bridge.patch" "$toolchain"
build_engine
make_folder
say "done in $((SECONDS - started)) s"

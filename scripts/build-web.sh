#!/usr/bin/env bash
# build-web.sh [OUT]
#
# Builds the engine for the browser with emscripten and leaves in OUT
# (default build-web/out) a folder any static web server serves:
#   OUT/index.html      the page: the canvas, the download's progress, click to start
#   OUT/advengine.js    the engine's loader, OUT/advengine.wasm the engine
#   OUT/advengine.data  the sample game with its font, packed
#   OUT/licenses/       the copyright files of the libraries and the font
#   OUT/advengine-web.zip  the same with index.html at its root
# It installs the Debian packages it needs, builds the dependencies into
# build-web/deps (again only when they are missing or their recipe,
# scripts/web-deps.sh, the SDL bridge or the toolchain file changed), the
# sample game's files with the machine's own compiler in build-web/native,
# then the engine in build-web/engine with cmake/emscripten.cmake.
#
# Environment: ORBA_WEB_BUILD_DIR (instead of build-web).
set -euo pipefail

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

install_packages() {
    bash "$root/scripts/deps.sh"
    bash "$root/scripts/deps.sh" emscripten cmake ninja-build pkg-config dpkg-dev debian-archive-keyring python3 \
        fonts-dejavu-core
}

# The dependencies, built again when their recipe, the bridge or the toolchain changed.
build_dependencies() {
    local recipe
    recipe=$(cat "$root/scripts/web-deps.sh" "$root/web/sdl-bridge.patch" "$toolchain" | sha256sum | cut -d' ' -f1)
    if [[ -f $deps/prefix/recipe && $(cat "$deps/prefix/recipe") == "$recipe" ]]; then
        say "dependencies up to date in $deps/prefix"
        return
    fi
    local started=$SECONDS
    bash "$root/scripts/web-deps.sh" "$deps/prefix" "$deps/work"
    echo "$recipe" >"$deps/prefix/recipe"
    say "dependencies built in $((SECONDS - started)) s"
}

# The font the game names, beside it: the page has no system fonts.
copy_font() {
    local font
    font=$(sed -n 's/#.*//; s/^[[:space:]]*FONT[[:space:]]*=[[:space:]]*//p' "$1/resource/level/game.ini" |
        tail -n 1 | sed 's/[[:space:]]*$//')
    [[ -z $font || -f $1/$font ]] && return
    cp "/usr/share/fonts/truetype/dejavu/$font" "$1/$font"
}

# The sample game's pictures and sounds are made by a tool of the build.
build_game() {
    cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORBA_TESTS=OFF -DORBA_BENCH=OFF \
        >/dev/null
    cmake --build "$build/native" -j2 --target sample_game
    rm -rf "$game"
    mkdir -p "$game"
    (cd "$build/native/sample-game" && tar -cf - --exclude=./run.log --exclude=./screenshot.bmp --exclude=./save .) |
        (cd "$game" && tar -xf -)
    copy_font "$game"
}

build_engine() {
    cmake -S "$root" -B "$engine" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DORBA_WEB_DEPS="$deps/prefix" \
        -DCMAKE_BUILD_TYPE=Release -DORBA_TESTS=OFF -DORBA_BENCH=OFF -DORBA_WEB_GAME="$game" >/dev/null
    # The packed game is read at link time: a changed game links again.
    rm -f "$engine/adv/advengine.js"
    cmake --build "$engine" -j2 --target advengine
}

# The page's folder and its zip, each put in place whole.
make_folder() {
    local stage name=advengine-web
    mkdir -p "$out"
    stage=$(mktemp -d "$out/.$name.XXXXXX")
    cp "$root/web/index.html" "$engine/adv/advengine.js" "$engine/adv/advengine.wasm" "$engine/adv/advengine.data" \
        "$stage/"
    cp -r "$deps/prefix/share/licenses" "$stage/licenses"
    mkdir -p "$stage/licenses/fonts-dejavu-core"
    cp /usr/share/doc/fonts-dejavu-core/copyright "$stage/licenses/fonts-dejavu-core/"
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
build_dependencies
build_game
build_engine
make_folder
say "done in $((SECONDS - started)) s"

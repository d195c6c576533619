#!/usr/bin/env bash
# build-windows.sh [OUT]
#
# Cross-builds the engine for 64-bit Windows with MinGW-w64 and leaves in OUT
# (default build-windows/out) the folder a Windows player unzips and starts:
#   OUT/advengine-windows/advengine.exe   the engine (a window program, runtimes linked in)
#   OUT/advengine-windows/advcheck.exe    the game checker, fmfdump.exe the map printer
#   OUT/advengine-windows/resource/...    the sample game beside the engine, with its font
#   OUT/advengine-windows/licenses/       the copyright files of the libraries and the font
#   OUT/advengine-windows.zip             the same folder zipped
# It installs the Debian packages it needs, builds the dependencies into
# build-windows/deps (again only when they are missing or their recipe,
# scripts/windows-deps.sh with scripts/debian-sources.sh, or the toolchain
# file changed), then the engine,
# its tools and tests in build-windows/engine with cmake/mingw-w64-x86_64.cmake.
# The tests run under Wine with `ctest --test-dir build-windows/engine`
# (WINEPREFIX build-windows/wine, made here).
#
# Environment: ORBA_WINDOWS_BUILD_DIR (instead of build-windows).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${ORBA_WINDOWS_BUILD_DIR:-$root/build-windows}")
out=$(realpath -m "${1:-$build/out}")
toolchain=$root/cmake/mingw-w64-x86_64.cmake
deps=$build/deps
engine=$build/engine
export WINEPREFIX=$build/wine WINEDEBUG=-all

say() { echo "build-windows: $*"; }
# shellcheck source=scripts/debian-sources.sh
source "$root/scripts/debian-sources.sh"

install_packages() {
    bash "$root/scripts/deps.sh" g++-mingw-w64-x86-64 gcc-mingw-w64-x86-64 wine wine64 xvfb xdotool cmake \
        ninja-build pkg-config dpkg-dev debian-archive-keyring python3 fonts-dejavu-core
}

# A Wine prefix for the tests, with the font the tests look for among the
# system's fonts, as a Windows player's system keeps its fonts.
prepare_wine() {
    if [[ ! -f $WINEPREFIX/system.reg ]]; then
        say "making the Wine prefix $WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
}

build_engine() {
    local emulator="env;WINEPREFIX=$WINEPREFIX;WINEDEBUG=-all;SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;wine"
    local launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$root" -B "$engine" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DORBA_WINDOWS_DEPS="$deps/prefix" \
        -DCMAKE_BUILD_TYPE=Release -DORBA_BENCH=OFF "-DCMAKE_CROSSCOMPILING_EMULATOR=$emulator" -DORBA_WINE_PREFIX="$WINEPREFIX" "${launcher[@]}" >/dev/null
    cmake --build "$engine" -j2
}

# The game's font beside it when it is a system font: a Windows system has
# no DejaVu fonts.
copy_font() {
    local font
    font=$(sed -n 's/#.*//; s/^[[:space:]]*FONT[[:space:]]*=[[:space:]]*//p' "$1/resource/level/game.ini" |
        tail -n 1 | sed 's/[[:space:]]*$//')
    [[ -z $font || -f $1/$font ]] && return
    cp "/usr/share/fonts/truetype/dejavu/$font" "$1/$font"
    mkdir -p "$1/licenses/fonts-dejavu-core"
    cp /usr/share/doc/fonts-dejavu-core/copyright "$1/licenses/fonts-dejavu-core/"
}

# The player's folder and its zip, each put in place whole.
make_folder() {
    local name=advengine-windows stage
    mkdir -p "$out"
    stage=$(mktemp -d "$out/.$name.XXXXXX")
    cp "$engine/adv/advengine.exe" "$engine/tools/advcheck/advcheck.exe" "$engine/fmfloader/fmfdump.exe" "$stage/"
    (cd "$engine/sample-game" && tar -cf - --exclude=./run.log --exclude=./screenshot.bmp --exclude=./save .) |
        (cd "$stage" && tar -xf -)
    cp -r "$deps/prefix/share/licenses" "$stage/licenses"
    copy_font "$stage"
    chmod 755 "$stage"
    rm -rf "${out:?}/$name" "$out/$name.zip"
    mv "$stage" "$out/$name"
    python3 - "$out" "$name" <<'EOF'
import os, sys, zipfile
out, name = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(os.path.join(out, name + ".zip.part"), "w", zipfile.ZIP_DEFLATED) as z:
    for folder, _, files in sorted(os.walk(os.path.join(out, name))):
        for f in sorted(files):
            path = os.path.join(folder, f)
            z.write(path, os.path.relpath(path, out))
os.replace(os.path.join(out, name + ".zip.part"), os.path.join(out, name + ".zip"))
EOF
    say "$out/$name ($(du -sh "$out/$name" | cut -f1)) and $out/$name.zip ($(du -sh "$out/$name.zip" | cut -f1))"
}

started=$SECONDS
install_packages
cached_dependencies "$root/scripts/windows-deps.sh" "$deps" "$toolchain"
prepare_wine
build_engine
make_folder
say "done in $((SECONDS - started)) s"

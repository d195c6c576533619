#!/usr/bin/env bash
# web-deps.sh PREFIX WORK_DIR
#
# Builds the engine's dependencies for the browser (wasm32, emscripten) from
# Debian's source packages into PREFIX: zlib, libpng, libjpeg-turbo,
# FreeType, SDL 1.2 (only its dummy video and audio drivers, no threads, with
# the page bridge from web/sdl-bridge.patch), libogg, libvorbis, SDL_mixer
# (WAV and Ogg Vorbis) and Lua 5.1, as static
# libraries with their headers and pkg-config files. SDL is installed as
# libSDLweb.a: emcc reads -lSDL as its own JavaScript SDL. The sources are
# fetched with apt's own source download through a sources folder of
# WORK_DIR, never through the machine's apt configuration
# (scripts/debian-sources.sh, shared with the Windows recipe).
# scripts/build-web.sh runs this when PREFIX is missing or this recipe changed.
set -euo pipefail

if [[ $# -ne 2 ]]; then
    echo "usage: $0 PREFIX WORK_DIR" >&2
    exit 2
fi

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=$(realpath -m "$1")
work=$(realpath -m "$2")
host=wasm32-unknown-linux
jobs=2
packages=(zlib libpng1.6 libjpeg-turbo freetype libsdl1.2 libogg libvorbis sdl-mixer1.2 lua5.1)

say() { echo "web-deps: $*"; }
# shellcheck source=scripts/debian-sources.sh
source "$root/scripts/debian-sources.sh"

# emcc's optimizer needs acorn, which Debian's node modules hold.
export NODE_PATH=/usr/share/nodejs
export CC=emcc CXX=em++ AR=emar RANLIB=emranlib
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=""
# Built for size: the page downloads them before it starts.
export CFLAGS="-Oz" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"

build_zlib() {
    cd "$(source_of zlib)"
    ./configure --static --prefix="$prefix"
    make -j"$jobs" libz.a
    make install
}

# A plain static build: no SIMD, no TurboJPEG API. CMake's type-size check
# reads a wrong size from emcc's output, so the sizes are given.
build_libjpeg() {
    local build=$work/libjpeg-build
    rm -rf "$build"
    emcmake cmake -S "$(source_of libjpeg-turbo)" -B "$build" -DCMAKE_BUILD_TYPE=Release \
        "-DCMAKE_C_FLAGS_RELEASE=$CFLAGS -DNDEBUG" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR="$prefix/lib" -DENABLE_SHARED=OFF \
        -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DHAVE_SIZE_T=TRUE -DSIZE_T=4 \
        -DHAVE_UNSIGNED_LONG=TRUE -DUNSIGNED_LONG=4
    cmake --build "$build" -j"$jobs"
    cmake --install "$build"
}

# Only the dummy drivers, which the bridge connects to the page: the video
# driver shows the screen in the canvas and takes the page's input events;
# the audio driver opens without a thread and stays silent. The joystick is
# SDL's dummy one (no devices), which the host's name would make Linux's.
build_sdl() {
    cd "$(source_of libsdl1.2)"
    patch -p1 <"$root/web/sdl-bridge.patch"
    sed -i -e 's|^#define SDL_JOYSTICK_LINUX 1$|#define SDL_JOYSTICK_DUMMY 1|' \
        -e 's|SOURCES="$SOURCES $srcdir/src/joystick/linux/\*.c"|SOURCES="$SOURCES $srcdir/src/joystick/dummy/*.c"|' configure
    ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static --disable-threads \
        --disable-video-x11 --disable-video-fbcon --disable-video-directfb --disable-video-svga \
        --disable-video-ggi --disable-video-aalib --disable-video-caca --disable-video-opengl \
        --disable-video-dga --disable-video-ps3 --disable-video-ps2gs --disable-video-vgl \
        --disable-video-wscons --disable-video-xbios --disable-video-gem --disable-video-picogui \
        --disable-video-qtopia --disable-video-photon --disable-video-cocoa \
        --enable-video-dummy --enable-dummyaudio --disable-diskaudio --disable-oss --disable-alsa \
        --disable-esd --disable-pulseaudio --disable-arts --disable-nas --disable-cdrom \
        --disable-loadso --disable-input-events --disable-input-tslib \
        --disable-pth --disable-assembly --disable-stdio-redirect --disable-rpath
    make -j"$jobs"
    make install
    mv "$prefix/lib/libSDL.a" "$prefix/lib/libSDLweb.a"
    rm -f "$prefix/lib/libSDL.la" "$prefix/lib/libSDLmain.a" "$prefix/lib/libSDLmain.la"
    cat >"$prefix/lib/pkgconfig/sdl.pc" <<EOF
prefix=$prefix
Name: sdl
Description: SDL 1.2 for the browser, with the page bridge
Version: 1.2.15
Libs: -L\${prefix}/lib -lSDLweb
Cflags: -I\${prefix}/include/SDL -D_GNU_SOURCE=1
EOF
}

# Ogg Vorbis is linked in (not loaded at run time); its static libraries
# need libogg for configure's link test and in SDL_mixer.pc.
build_sdl_mixer() {
    cd "$(source_of sdl-mixer1.2)"
    SDL_CONFIG=/bin/false SDL_CFLAGS="-I$prefix/include/SDL -D_GNU_SOURCE=1" SDL_LIBS="-L$prefix/lib -lSDLweb" \
        LIBS="-lvorbis -logg" ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static \
        --disable-sdltest --disable-music-cmd --disable-music-mod --disable-music-midi \
        --enable-music-ogg --disable-music-ogg-shared --disable-music-flac --disable-music-mp3 \
        --disable-music-mp3-mad-gpl
    grep -q -- '-DOGG_MUSIC' Makefile || { echo "SDL_mixer: Ogg Vorbis support not found" >&2; exit 1; }
    make build
    make -j"$jobs" build/libSDL_mixer.la
    make install-hdrs install-lib
    sed -i '/^Libs:/a Libs.private: -lvorbisfile -lvorbis -logg' "$prefix/lib/pkgconfig/SDL_mixer.pc"
}

# The interpreter's library, compiled as C, with the headers and a
# pkg-config file under the name Debian uses. Debian's luaconf.h takes the
# platform's name for its module paths from a header of its build.
build_lua() {
    local src objects=()
    rm -rf "$work/lua"
    src=$(source_of lua5.1)/src
    mkdir -p "$work/lua" "$prefix/include/lua5.1" "$prefix/lib/pkgconfig"
    echo '#define DEB_HOST_MULTIARCH "wasm32-unknown-emscripten"' >"$prefix/include/lua5.1/lua5.1-deb-multiarch.h"
    local file
    for file in "$src"/*.c; do
        case $(basename "$file") in lua.c | luac.c | print.c) continue ;; esac
        objects+=("$work/lua/$(basename "$file" .c).o")
        "$CC" $CFLAGS -Wall -I"$prefix/include/lua5.1" -c "$file" -o "${objects[-1]}"
    done
    rm -f "$prefix/lib/liblua5.1.a"
    "$AR" rcs "$prefix/lib/liblua5.1.a" "${objects[@]}"
    cp "$src"/{lua.h,luaconf.h,lualib.h,lauxlib.h} "$src/../etc/lua.hpp" "$prefix/include/lua5.1/"
    cat >"$prefix/lib/pkgconfig/lua5.1.pc" <<EOF
prefix=$prefix
Name: Lua
Description: The Lua 5.1 interpreter as a static library
Version: 5.1.5
Libs: -L\${prefix}/lib -llua5.1
Cflags: -I\${prefix}/include/lua5.1
EOF
}

rm -rf "$prefix"
mkdir -p "$prefix" "$work"
quietly sources fetch_sources
for part in zlib sdl libpng libjpeg freetype libogg libvorbis sdl_mixer lua; do
    quietly "$part" "build_$part"
done
copy_copyrights "$prefix" "${packages[@]}"
say "done in $prefix"

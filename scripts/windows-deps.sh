#!/usr/bin/env bash
# windows-deps.sh PREFIX WORK_DIR
#
# Builds the engine's dependencies for 64-bit Windows (x86_64-w64-mingw32)
# from Debian's source packages into PREFIX: zlib, libpng, libjpeg-turbo,
# FreeType, SDL 1.2, libogg, libvorbis, SDL_mixer (WAV and Ogg Vorbis),
# Lua 5.1 and GoogleTest, as static libraries with
# their headers and pkg-config files. The sources are fetched with apt's own
# source download through a sources folder of WORK_DIR, never through the
# machine's apt configuration (scripts/debian-sources.sh, shared with the
# browser's recipe). scripts/build-windows.sh runs this when PREFIX is
# missing or this recipe changed.
set -euo pipefail

if [[ $# -ne 2 ]]; then
    echo "usage: $0 PREFIX WORK_DIR" >&2
    exit 2
fi

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=$(realpath -m "$1")
work=$(realpath -m "$2")
host=x86_64-w64-mingw32
jobs=2
packages=(zlib libpng1.6 libjpeg-turbo freetype libsdl1.2 libogg libvorbis sdl-mixer1.2 lua5.1 googletest)

say() { echo "windows-deps: $*"; }
# shellcheck source=scripts/debian-sources.sh
source "$root/scripts/debian-sources.sh"

export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=""
export CFLAGS="-O2" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"

build_zlib() {
    cd "$(source_of zlib)"
    CHOST=$host ./configure --static --prefix="$prefix"
    make -j"$jobs" libz.a
    make install
}

# A plain static build: no SIMD (it would need an assembler), no TurboJPEG API.
build_libjpeg() {
    local build=$work/libjpeg-build
    cmake -S "$(source_of libjpeg-turbo)" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR="$prefix/lib" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF
    cmake --build "$build" -j"$jobs"
    cmake --install "$build"
}

# The program's output goes where its caller sends it, not to files that
# SDL would make beside the executable. Joysticks stay on.
build_sdl() {
    cd "$(source_of libsdl1.2)"
    ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static --disable-stdio-redirect
    make -j"$jobs"
    make install
}

# Debian's patch leaves -lmingw32 -lSDLmain out of sdl-config and sdl.pc;
# without them a program's main (SDL_main) is never reached through SDL's
# WinMain. -mwindows goes: the engine asks for it, the console tools do not.
# So does -Dmain=SDL_main: SDL.h renames main where it is included, and a
# program whose main does not see SDL.h's declaration keeps its own main.
# shellcheck disable=SC2016 # ${libdir} and ${exec_prefix} are for pkg-config and sdl-config
mend_sdl_config() {
    sed -i -e 's/^Libs: .*/Libs: -L${libdir} -lmingw32 -lSDLmain -lSDL/' \
        -e '/^Libs.private:/s/ -mwindows//' -e '/^Cflags:/s/ -Dmain=SDL_main//' "$prefix/lib/pkgconfig/sdl.pc"
    sed -i 's/^\(\s*echo -L${exec_prefix}\/lib\) .*-lSDL\b.*/\1 -lmingw32 -lSDLmain -lSDL/' "$prefix/bin/sdl-config"
}

# Only the library: the example programs do not link for Windows. Ogg
# Vorbis is linked in (not loaded from a DLL at run time); its static
# libraries need libogg for configure's link test and in SDL_mixer.pc.
build_sdl_mixer() {
    cd "$(source_of sdl-mixer1.2)"
    LIBS="-lvorbis -logg" ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static \
        --with-sdl-prefix="$prefix" --disable-sdltest --disable-music-cmd --disable-music-mod \
        --disable-music-midi --enable-music-ogg --disable-music-ogg-shared --disable-music-flac \
        --disable-music-mp3
    grep -q -- '-DOGG_MUSIC' Makefile || { echo "SDL_mixer: Ogg Vorbis support not found" >&2; exit 1; }
    make build
    make -j"$jobs" build/libSDL_mixer.la
    make install-hdrs install-lib
    sed -i '/^Libs:/a Libs.private: -lvorbisfile -lvorbis -logg' "$prefix/lib/pkgconfig/SDL_mixer.pc"
}

# The interpreter's library, compiled as C, with the headers and a
# pkg-config file under the name Debian uses.
build_lua() {
    local src objects=()
    rm -rf "$work/lua"
    src=$(source_of lua5.1)/src
    mkdir -p "$work/lua" "$prefix/include/lua5.1" "$prefix/lib/pkgconfig"
    local file
    for file in "$src"/*.c; do
        case $(basename "$file") in lua.c | luac.c | print.c) continue ;; esac
        objects+=("$work/lua/$(basename "$file" .c).o")
        "$CC" -O2 -Wall -c "$file" -o "${objects[-1]}"
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

build_googletest() {
    local build=$work/googletest-build
    cmake -S "$(source_of googletest)" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF
    cmake --build "$build" -j"$jobs"
    cmake --install "$build"
}

rm -rf "$prefix"
mkdir -p "$prefix" "$work"
quietly sources fetch_sources
for part in zlib libpng libjpeg freetype sdl libogg libvorbis sdl_mixer lua googletest; do
    quietly "$part" "build_$part"
done
mend_sdl_config
# The licences of what the engine links in, for the player's folder. The
# tests' GoogleTest is not shipped.
copy_copyrights "$prefix" zlib libpng1.6 libjpeg-turbo freetype libsdl1.2 libogg libvorbis sdl-mixer1.2 lua5.1
say "done in $prefix"

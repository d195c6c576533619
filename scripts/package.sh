#!/usr/bin/env bash
# shellcheck disable=SC2016 # '$ORIGIN' is for the loader to expand
# package.sh [--windows | --web] [--] GAME_FOLDER OUT_FOLDER
#
# Makes OUT_FOLDER, a folder that a player on another Linux machine unpacks
# and starts with OUT_FOLDER/play, and OUT_FOLDER.tar.gz beside it. The
# folder holds:
#   play           the launcher: starts the engine in game/ and returns its exit status
#   advengine      the engine, with the run path $ORIGIN/lib
#   lib/           the shared libraries the engine needs beyond the player's own
#                  (see kept_library), each with the run path $ORIGIN
#   licenses/      the copyright file of each Debian package those libraries and
#                  the font come from, under the package's name
#   game/          the game folder (without run.log, screenshot.bmp and save/), with the
#                  font of game.ini copied in when it is a system font
#   .package-made-here  the mark of a folder this script made
#
# The game is checked with advcheck first; a game with problems is not
# packaged (advcheck's findings are printed, exit status 1), nor is one with
# a symbolic link that names an absolute path or leads out of the game
# folder (each is named). The engine and advcheck are built in build/ (or
# ORBA_BUILD_DIR) when they are missing.
#
# The script replaces only what it made: an OUT_FOLDER that exists must hold
# its mark, and an archive of that name must hold the mark in its folder.
# OUT_FOLDER may not lie inside GAME_FOLDER, nor GAME_FOLDER inside it.
# Folder names may begin with a dash.
#
# With --windows, OUT_FOLDER is a folder for Windows players instead, and
# OUT_FOLDER.zip beside it: advengine.exe (built by scripts/build-windows.sh
# in build-windows/ when it is missing) with the game's files beside it (the
# engine runs in the folder it is started from), the game's system font, and
# licenses/ with the copyright files of the libraries linked into the engine
# and of the font. The player starts advengine.exe.
#
# With --web, OUT_FOLDER is the game's page for the browser, made by
# scripts/build-web.sh (in build-web/, or ORBA_WEB_BUILD_DIR): index.html
# titled with the game's CAPTION, advengine.js, advengine.wasm,
# advengine.data (the game with its font), licenses/, and OUT_FOLDER's name
# with .zip inside it, which holds the same with index.html at its root, as
# game hosting sites take it. The font must be in the game folder or one of
# Debian's DejaVu fonts.
set -euo pipefail

windows=false web=false
case ${1:-} in
--windows) windows=true && shift ;;
--web) web=true && shift ;;
esac
[[ ${1:-} == -- ]] && shift
if [[ $# -ne 2 ]]; then
    echo "usage: $0 [--windows | --web] [--] GAME_FOLDER OUT_FOLDER" >&2
    exit 2
fi

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ORBA_BUILD_DIR:-$root/build}
engine=$build/adv/advengine
advcheck=$build/tools/advcheck/advcheck

say() { echo "package: $*"; }
fail() {
    echo "package: $*" >&2
    exit 1
}

[[ -f $1/resource/level/game.ini ]] || fail "no game in $1 (resource/level/game.ini is missing)"
game=$(realpath -- "$1")
out=$(realpath -m -- "$2")
marker=.package-made-here
# The page's zip lies inside its folder, under the folder's mark.
if $windows; then archive=$out.zip; elif $web; then archive=""; else archive=$out.tar.gz; fi
case $out/ in "$game"/*) fail "the package cannot go inside the game folder $game" ;; esac
case $game/ in "$out"/*) fail "the game folder $game cannot be packaged into $out, which holds it" ;; esac

# Whether the folder $1 is one this script made: it holds the mark.
made_here() { [[ -d $1 && ! -L $1 && -f $1/$marker && ! -L $1/$marker ]]; }

# Whether the archive $1 is one this script made: a file with the mark in its folder.
archive_made_here() {
    [[ -f $1 && ! -L $1 ]] || return 1
    local mark
    mark=$(basename "$out")/$marker
    if $windows; then
        python3 -c 'import sys, zipfile; sys.exit(sys.argv[2] not in zipfile.ZipFile(sys.argv[1]).namelist())' \
            "$1" "$mark" 2>/dev/null
    else
        tar -tzf "$1" -- "$mark" >/dev/null 2>&1
    fi
}

if [[ -e $out || -L $out ]] && ! made_here "$out"; then
    fail "$out exists and is not a package this script made (it has no $marker); remove it or choose another folder"
fi
if [[ -n $archive ]] && [[ -e $archive || -L $archive ]] && ! archive_made_here "$archive"; then
    fail "$archive exists and is not a package this script made; remove it or choose another folder"
fi

# The libraries every Linux desktop has, matched to the system it runs on:
# the C library and its parts split off (libm, libpthread, libdl, librt,
# libutil, libresolv), the dynamic loader, the X11 client libraries (libX*,
# libxcb*) and the sound system's (ALSA's libasound, PulseAudio's libpulse*).
# They stay the player's; so do the libraries only they need.
kept_library() {
    [[ $1 =~ ^(linux-vdso|linux-gate|ld-linux[^/]*|libc|libm|libpthread|libdl|librt|libutil|libresolv)\.so(\.|$) ||
        $1 =~ ^lib(X|xcb|asound\.|pulse) ]]
}

for tool in ldd readelf patchelf dpkg tar; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/deps.sh installs what is missing)"
done

build_tools() {
    [[ -x $advcheck ]] && { $web || [[ -x $engine ]]; } && return
    say "building the engine and advcheck in $build"
    local generator=()
    if [[ ! -f $build/CMakeCache.txt ]] && command -v ninja >/dev/null; then generator=(-G Ninja); fi
    cmake -S "$root" -B "$build" "${generator[@]}" -DORBA_BENCH=OFF >/dev/null
    local targets=(advcheck)
    $web || targets+=(advengine)
    cmake --build "$build" --target "${targets[@]}"
}

# Symbolic links that a player's copy of the game could not follow: each
# that names an absolute path or leads out of the game folder (or nowhere
# inside it) is named, and the game is not packaged.
check_links() {
    local link target leaving=()
    while IFS= read -r -d '' link; do
        link=${link#./}
        target=$(readlink -- "$game/$link")
        [[ $target != /* && $(realpath -m -- "$game/$link")/ == "$game"/* ]] || leaving+=("$link -> $target")
    done < <(cd "$game" && find . \( -path ./save -o -path ./run.log -o -path ./screenshot.bmp \) -prune -o -type l -print0)
    ((${#leaving[@]} == 0)) && return
    printf '  %s\n' "${leaving[@]}" >&2
    fail "these symbolic links lead out of the game folder, where players' copies have nothing; copy the files in instead"
}

check_game() {
    local report status=0
    report=$("$advcheck" "$game" 2>&1) || status=$?
    if ((status != 0)); then
        echo "$report" >&2
        fail "the game has problems; fix them and package again"
    fi
}

# A value of game.ini without its comment and spacing (the last one wins).
setting() {
    sed -n "s/#.*//; s/^[[:space:]]*$1[[:space:]]*=[[:space:]]*//p" "$game/resource/level/game.ini" |
        tail -n 1 | sed 's/[[:space:]]*$//'
}

# The system's copy of a font file, searched as the engine does: the common
# font folders first, then the others that fontconfig knows.
system_font() {
    local file=$1 folder found
    for folder in /usr/share/fonts /usr/local/share/fonts; do
        [[ -d $folder ]] || continue
        [[ -f $folder/$file ]] && { echo "$folder/$file"; return; }
        found=$(find "$folder" -path "*/$file" -type f 2>/dev/null | sort | head -n 1)
        [[ -n $found ]] && { echo "$found"; return; }
    done
    command -v fc-list >/dev/null || return 0
    fc-list --format '%{file}\n' 2>/dev/null | grep -F -- "/$file" | grep -v -- "/$file." | sort | head -n 1
}

# The files whose licences the package ships.
licensed=()

# The ways dpkg may have recorded a file: as named, with its links resolved,
# and each with and without /usr in front (the merged /usr of newer systems).
spellings() {
    local path
    for path in "$1" "$(realpath "$1")"; do
        echo "$path"
        echo "/usr${path#/usr}"
        echo "${path#/usr}"
    done
}

# Copies the copyright file of the Debian package of every licensed file into
# licenses/PACKAGE/, asking dpkg about all of them at once (each question
# reads its whole file list).
copy_licences() {
    declare -A owner=()
    local line package path file found
    while IFS= read -r line; do
        [[ $line == *": /"* && $line != diversion* ]] || continue
        package=${line%%: /*}
        path=/${line#*: /}
        owner[$path]=${package%%[:,]*}
    done < <(for file in "${licensed[@]}"; do spellings "$file"; done | sort -u | xargs dpkg -S 2>/dev/null || true)
    for file in "${licensed[@]}"; do
        found=""
        while read -r path; do
            found=${owner[$path]:-}
            [[ -n $found ]] && break
        done < <(spellings "$file")
        [[ -n $found ]] || fail "no Debian package owns $file, so its licence cannot be shipped"
        [[ -f /usr/share/doc/$found/copyright ]] || fail "$found has no /usr/share/doc/$found/copyright"
        mkdir -p "$stage/licenses/$found"
        cp -L "/usr/share/doc/$found/copyright" "$stage/licenses/$found/copyright"
    done
    say "licences of $(find "$stage/licenses" -mindepth 1 -maxdepth 1 | wc -l) packages copied"
}

needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }

# Fills the map named $2 with every library that the player's own libraries
# need, directly or through others (X11's libXdmcp needs libbsd, for one):
# those come with the player's own, and the loader loads each name once, so a
# copy in the package would not be the one used. $1 names the map of where
# the loader finds each library.
players_side() {
    local -n found=$1 side=$2
    local queue=() name file
    for name in "${!found[@]}"; do
        kept_library "$name" && queue+=("${found[$name]}")
    done
    while ((${#queue[@]} > 0)); do
        file=${queue[0]}
        queue=("${queue[@]:1}")
        for name in $(needed "$file"); do
            [[ -n ${side[$name]:-} || -z ${found[$name]:-} ]] && continue
            side[$name]=1
            queue+=("${found[$name]}")
        done
    done
}

# Copies the libraries the engine needs, following the needs of every copied
# library but not those of the player's own. Where each one is found comes
# from the loader itself (ldd of the built engine).
copy_libraries() {
    declare -A where=()
    local name path arrow
    while read -r name arrow path _; do
        [[ $arrow == "=>" && $path == /* ]] && where[$name]=$path
    done < <(ldd "$engine")
    declare -A players=()
    players_side where players
    local queue=("$engine") file
    declare -A seen=()
    while ((${#queue[@]} > 0)); do
        file=${queue[0]}
        queue=("${queue[@]:1}")
        for name in $(needed "$file"); do
            kept_library "$name" && continue
            [[ -n ${players[$name]:-} ]] && continue
            [[ -n ${seen[$name]:-} ]] && continue
            seen[$name]=1
            path=${where[$name]:-}
            [[ -n $path ]] || fail "the loader finds no $name for the engine"
            cp -L "$path" "$stage/lib/$name"
            chmod u+w "$stage/lib/$name"
            patchelf --set-rpath '$ORIGIN' "$stage/lib/$name"
            licensed+=("$path")
            queue+=("$path")
        done
    done
    say "${#seen[@]} libraries copied"
}

# The game's files in the folder $1, with its system font when it names one.
copy_game_into() {
    local into=$1 font source
    mkdir -p "$into"
    (cd "$game" && tar -cf - --exclude=./run.log --exclude=./screenshot.bmp --exclude=./save .) | (cd "$into" && tar -xf -)
    font=$(setting FONT)
    [[ -n $font && -f $game/$font ]] && return
    [[ $font == /* ]] && fail "game.ini names the font by an absolute path ($font); name the file alone"
    source=$(system_font "$font")
    [[ -n $source ]] || fail "the font $font of game.ini is neither in the game folder nor among the system's fonts"
    mkdir -p "$(dirname "$into/$font")"
    cp -L "$source" "$into/$font"
    licensed+=("$source")
    say "font $font copied from $source"
}

# The package is put together in a new folder beside OUT_FOLDER, and its
# archive in a new file there; both are removed when the script stops early.
make_stage() {
    mkdir -p "$(dirname "$out")"
    stage=$(mktemp -d "$(dirname "$out")/.package.XXXXXX")
    part=$(mktemp "$(dirname "$out")/.package.XXXXXX.part")
    trap 'rm -rf -- "$stage" "$part"' EXIT
    chmod 755 "$stage"
    echo "Made by package.sh, which replaces this folder when it packages into it again." >"$stage/$marker"
}

# The staged folder replaces the earlier package, checked again just before.
put_in_place() {
    if [[ -e $out || -L $out ]]; then
        made_here "$out" || fail "$out appeared while packaging and is not a package this script made"
        rm -rf -- "$out"
    fi
    mv -T -- "$stage" "$out"
}

# The archive's new file replaces the earlier archive (never a folder: -T).
finish_archive() {
    chmod 644 "$part"
    mv -T -- "$part" "$archive"
    trap - EXIT
}

write_launcher() {
    cat >"$stage/play" <<'EOF'
#!/bin/sh
# Starts the game: the engine runs in the game folder, with its libraries
# taken from lib/ beside it. The exit status is the engine's.
here=$(dirname "$(readlink -f "$0")")
cd "$here/game" || exit 1
exec "$here/advengine" "$@"
EOF
    chmod +x "$stage/play"
}

package_for_windows() {
    local windows_build=${ORBA_WINDOWS_BUILD_DIR:-$root/build-windows}
    local windows_engine=$windows_build/engine/adv/advengine.exe
    [[ -f $windows_engine ]] || bash "$root/scripts/build-windows.sh"
    make_stage
    cp "$windows_engine" "$stage/advengine.exe"
    copy_game_into "$stage"
    mkdir -p "$stage/licenses"
    cp -r "$windows_build/deps/prefix/share/licenses/." "$stage/licenses/"
    ((${#licensed[@]} == 0)) || copy_licences
    put_in_place
    python3 - "$out" "$part" <<'EOF'
import os, sys, zipfile
out, part = sys.argv[1], sys.argv[2]
parent = os.path.dirname(out)
with zipfile.ZipFile(part, "w", zipfile.ZIP_DEFLATED) as z:
    for folder, _, files in sorted(os.walk(out)):
        for f in sorted(files):
            path = os.path.join(folder, f)
            z.write(path, os.path.relpath(path, parent))
EOF
    finish_archive
    say "$out ($(du -sh "$out" | cut -f1)) and $out.zip ($(du -sh "$out.zip" | cut -f1)); the player starts $(basename "$out")/advengine.exe"
}

# The page is built into the stage; its zip is renamed after the folder.
package_for_web() {
    make_stage
    bash "$root/scripts/build-web.sh" --game "$game" "$stage"
    local zip
    zip=$(basename "$out").zip
    [[ $zip == advengine-web.zip ]] || mv -T -- "$stage/advengine-web.zip" "$stage/$zip"
    put_in_place
    rm -f -- "$part"
    trap - EXIT
    say "$out ($(du -sh "$out" | cut -f1)) with $zip; serve the folder or upload the zip"
}

build_tools
check_links
check_game
if $windows; then
    package_for_windows
    exit 0
fi
if $web; then
    package_for_web
    exit 0
fi

make_stage
mkdir -p "$stage/lib" "$stage/licenses"
cp "$engine" "$stage/advengine"
patchelf --set-rpath '$ORIGIN/lib' "$stage/advengine"
copy_libraries
copy_game_into "$stage/game"
copy_licences
write_launcher

put_in_place
tar -czf "$part" -C "$(dirname "$out")" -- "$(basename "$out")"
finish_archive
say "$out ($(du -sh "$out" | cut -f1)) and $out.tar.gz ($(du -sh "$out.tar.gz" | cut -f1)); the player starts it with $(basename "$out")/play"

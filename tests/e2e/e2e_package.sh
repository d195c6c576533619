#!/usr/bin/env bash
# shellcheck disable=SC2016 # '$ORIGIN' is the loader's
# e2e_package.sh BUILD_DIR GAME_DIR WORK_DIR
#
# Packages the sample game with scripts/package.sh (engine and advcheck from
# BUILD_DIR), unpacks the .tar.gz as a player would, checks that every
# library the engine and the packaged libraries need, beyond the player's
# own, resolves inside the package, and plays the game through under Xvfb
# with the package's launcher, without LD_LIBRARY_PATH, recording where the
# loader took each library from. Exit 77 (skipped) when Xvfb, xdotool or
# python3 is missing.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$1 game=$2 work=$3

for tool in Xvfb xdotool python3; do
    command -v "$tool" >/dev/null || { echo "e2e: $tool is not installed" >&2; exit 77; }
done

rm -rf "$work"
mkdir -p "$work/unpacked"
ORBA_BUILD_DIR=$build "$root/scripts/package.sh" "$game" "$work/lanterns"
tar -xzf "$work/lanterns.tar.gz" -C "$work/unpacked"
package=$work/unpacked/lanterns

failures=0
failed() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

# The player's own libraries: the C library and the loader, X11, the sound system.
players_own() {
    [[ $1 =~ ^(linux-vdso|ld-linux-x86-64|libc|libm|libpthread|libdl|librt|libutil|libresolv)\.so ||
        $1 =~ ^lib(X|xcb|asound\.|pulse) ]]
}

declare -A where=()
while read -r name arrow path _; do
    [[ $arrow == "=>" ]] && where[$name]=$path
done < <(env -u LD_LIBRARY_PATH ldd "$package/advengine")

# What the player's own libraries need comes with them (libXdmcp needs libbsd).
needs() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }
declare -A with_own=()
queue=()
for name in "${!where[@]}"; do players_own "$name" && queue+=("${where[$name]}"); done
while ((${#queue[@]} > 0)); do
    for name in $(needs "${queue[0]}"); do
        [[ -n ${with_own[$name]:-} || -z ${where[$name]:-} ]] && continue
        with_own[$name]=1
        queue+=("${where[$name]}")
    done
    queue=("${queue[@]:1}")
done

checked=0
for file in "$package/advengine" "$package"/lib/*; do
    for name in $(needs "$file"); do
        players_own "$name" && continue
        [[ -n ${with_own[$name]:-} ]] && continue
        checked=$((checked + 1))
        [[ ${where[$name]:-} == "$package/lib/$name" ]] ||
            failed "$(basename "$file") needs $name, found at '${where[$name]:-nowhere}'"
    done
done
echo "check: $checked needs of the engine and its libraries resolve inside the package"
for file in "$package"/lib/*; do
    [[ $(patchelf --print-rpath "$file") == '$ORIGIN' ]] || failed "$file has the run path '$(patchelf --print-rpath "$file")'"
done
# The library the engine renders text with: SDL_ttf, or FreeType itself.
text_library=${ORBA_TEXT_LIBRARY:-libSDL_ttf-2.0.so.0}
for name in libSDL-1.2.so.0 libSDL_mixer-1.2.so.0 "$text_library" liblua5.1.so.0 libfontconfig.so.1; do
    [[ -f $package/lib/$name ]] || failed "$name is not in the package"
done
for licence in libsdl1.2debian liblua5.1-0 libfontconfig1 fonts-dejavu-core; do
    [[ -s $package/licenses/$licence/copyright ]] || failed "no licence of $licence"
done
[[ -f $package/game/DejaVuSans.ttf ]] || failed "the font of game.ini is not in the package's game folder"

# The launcher started as playthrough.sh starts an engine, with the loader
# writing each library it opens to ld.PID.
cat >"$work/traced-play" <<EOF
#!/bin/sh
exec env -u LD_LIBRARY_PATH LD_DEBUG=libs LD_DEBUG_OUTPUT="$work/ld" "$package/play"
EOF
chmod +x "$work/traced-play"
status=0
SDL_AUDIODRIVER=dummy "$root/scripts/playthrough.sh" "$work/traced-play" "$package/game" "$work/playthrough" || status=$?
((status == 0)) || exit "$status"

for name in libSDL-1.2 libSDL_mixer-1.2 "${text_library%.so*}" liblua5.1 libfontconfig; do
    loaded=$(cat "$work"/ld.* | sed -n "s/.*calling init: \(.*\/$name\.so[.0-9]*\)$/\1/p" | sort -u)
    [[ $loaded == "$package/lib/"* && $loaded != *$'\n'* ]] || failed "the game ran with $name from '${loaded:-nowhere}'"
done

((failures == 0)) || { echo "$failures check(s) failed; the package is in $package" >&2; exit 1; }
echo "e2e: the packaged sample game played through with its own libraries"

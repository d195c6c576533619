#!/usr/bin/env bash
# run.sh: builds the engine, the author's tools and the sample game and starts the game.
#
# Installs the Debian packages the build needs when they are missing, then
# configures and builds in build/ (targets advengine, sample_game, advcheck
# and fmfdump) and starts the engine in build/sample-game. Without a display
# it plays the game through in a virtual display instead, leaving screenshots
# and run.log in build/playthrough/. Without a sound device the game runs silent.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ORBA_BUILD_DIR:-$root/build}  # another build folder, for trying the script out
game=$build/sample-game
engine=$build/adv/advengine

# The packages of scripts/deps.sh, for a checkout that does not have it.
packages=(libsdl1.2-dev libsdl-mixer1.2-dev libsdl-ttf2.0-dev liblua5.1-0-dev libfontconfig-dev
    fonts-dejavu-core xvfb xdotool pkg-config cmake g++ ninja-build libgtest-dev python3)

install_packages() {
    if [[ -x $root/scripts/deps.sh ]]; then
        "$root/scripts/deps.sh"
        return
    fi
    local missing=()
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    ((${#missing[@]} == 0)) && return
    echo "run: installing ${missing[*]}"
    local sudo=()
    ((EUID == 0)) || sudo=(sudo)
    "${sudo[@]}" apt-get update
    "${sudo[@]}" apt-get install -y "${missing[@]}"
}

build_game() {
    local generator=()
    if [[ ! -f $build/CMakeCache.txt ]] && command -v ninja >/dev/null; then generator=(-G Ninja); fi
    cmake -S "$root" -B "$build" "${generator[@]}" -DORBA_BENCH=OFF
    cmake --build "$build" --target advengine sample_game advcheck fmfdump
}

has_display() {
    [[ -n ${DISPLAY:-} ]] && timeout 5 xdotool getdisplaygeometry >/dev/null 2>&1
}

has_sound() {
    compgen -G '/dev/snd/pcm*' >/dev/null ||
        [[ -n ${PULSE_SERVER:-} ]] ||
        [[ -S ${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native ]] ||
        [[ -S ${XDG_RUNTIME_DIR:-/nonexistent}/pipewire-0 ]]
}

install_packages
build_game

if ! has_sound; then
    echo "run: no sound device found; the game runs silent (SDL_AUDIODRIVER=dummy)."
    export SDL_AUDIODRIVER=dummy
fi

if has_display; then
    echo "run: starting the sample game in $game"
    status=0
    (cd "$game" && exec "$engine") || status=$?
    echo "run: the game ended: $(grep -v '^[[:space:]]*$' "$game/run.log" 2>/dev/null | tail -n 1) (log: $game/run.log)"
    exit "$status"
fi

out=$build/playthrough
echo "run: no display found (DISPLAY is empty or no X server answers)."
echo "run: playing the sample game through in a virtual display (Xvfb) with scripted clicks instead;"
echo "run: the screenshots of each scene and run.log go to $out"
"$root/scripts/playthrough.sh" "$engine" "$game" "$out"

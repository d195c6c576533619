#!/usr/bin/env bash
# measure.sh: start-up time, peak memory and idle CPU of the real engine with
# the sample game, in a real window of a virtual X display (Xvfb).
#
#   scripts/measure.sh [RUNS]    RUNS start-ups to time (default 7)
#
# Builds advengine, the sample game and screenprobe in build/ (ORBA_BUILD_DIR
# for another folder). screenprobe starts the engine and watches the screen
# from outside: the first screen counts as shown when the engine's window is
# mapped and one of its pixels is no longer black. Each timed start is ended
# at once. Then the engine waits on the first page for IDLE seconds (default
# 60: over 10 s one clock tick of CPU is already 0.1 %) twice: once as the
# sample game is, with its music playing, and once on a quiet page (a copy of
# the game without its music), while the CPU time of all its threads is
# counted, with each thread's share and wake-ups per second beside those of
# a thread that only sleeps 33 ms at a time (what 30 wake-ups a second cost
# on this machine). Peak resident memory (VmHWM) is read just before the end.
#
#   scripts/measure.sh [--idle IDLE] [RUNS]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ORBA_BUILD_DIR:-$root/build}
idle=60
if [[ ${1:-} == --idle ]]; then
    idle=${2:-}
    shift 2 || true
fi
runs=${1:-7}
usage="usage: $0 [--idle SECONDS] [RUNS]"
[[ $runs =~ ^[1-9][0-9]*$ && $idle =~ ^[1-9][0-9]*$ ]] || { echo "$usage" >&2; exit 2; }

"$root/scripts/deps.sh"
generator=()
if [[ ! -f $build/CMakeCache.txt ]] && command -v ninja >/dev/null; then generator=(-G Ninja); fi
cmake -S "$root" -B "$build" "${generator[@]}" > /dev/null
cmake --build "$build" --target advengine sample_game screenprobe > /dev/null

engine=$build/adv/advengine
probe=$build/bench/screenprobe
game=$build/sample-game

# A display number nobody uses; a black root window, so that only the engine
# makes pixels that are not black.
display=99
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -br -noreset -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
quiet=$(mktemp -d)
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$quiet"' EXIT
export DISPLAY=:$display
for _ in $(seq 100); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.05; done
xdpyinfo > /dev/null 2>&1 || { echo "measure: Xvfb did not start" >&2; exit 1; }
unset SDL_VIDEODRIVER

audio="the default sound device"
if ! compgen -G '/dev/snd/pcm*' > /dev/null && [[ -z ${PULSE_SERVER:-} ]] &&
    [[ ! -S ${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native ]]; then
    export SDL_AUDIODRIVER=dummy
fi
[[ ${SDL_AUDIODRIVER:-} == dummy ]] && audio="SDL_AUDIODRIVER=dummy (no sound device; the mixer still mixes in real time)"

cd "$game"
echo "measure: the sample game in $game, Xvfb $DISPLAY 1024x768x24, sound: $audio"
echo "measure: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) before the runs"

shown=()
for i in $(seq "$runs"); do
    out=$("$probe" --idle 0 "$engine")
    mapped=$(awk '/window mapped/ {print $3}' <<< "$out")
    first=$(awk '/first screen shown/ {print $4}' <<< "$out")
    memory=$(awk -F': *' '/peak memory/ {print $2}' <<< "$out")
    printf 'start %2d: window mapped after %6s ms, first screen after %6s ms, peak memory %s\n' \
        "$i" "$mapped" "$first" "$memory"
    shown+=("$first")
done
sorted=$(printf '%s\n' "${shown[@]}" | sort -n)
median=$(awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }' <<< "$sorted")
echo "first screen: median $median ms, fastest $(head -n 1 <<< "$sorted") ms, slowest $(tail -n 1 <<< "$sorted") ms ($runs starts)"

# Waits on the first page of the game in the current folder.
idle_run() {
    "$probe" --settle 2 --idle "$idle" "$engine" |
        grep -E 'idle CPU|per thread|thread|reference|peak memory|exit status' | sed 's/^/  /'
    echo "  last line of run.log: $(grep -v '^[[:space:]]*$' run.log | tail -n 1)"
}

echo "waiting on the first page for $idle s, its music playing:"
idle_run
cp -r "$game/." "$quiet"
sed -i '/^music(/d' "$quiet/resource/level/start.lua"
echo "waiting on the first page for $idle s, quiet (the game without its music):"
(cd "$quiet" && idle_run)
echo "measure: load average $(cut -d' ' -f1-3 /proc/loadavg) after the runs"

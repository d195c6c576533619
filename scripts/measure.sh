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
# on this machine); the quiet page is waited on twice, with the sample's
# animated page-feed icon and with a still one (PF_TIMER = 0). Peak resident
# memory (VmHWM) is read just before the end. Then CLICKS clicks (default 40)
# turn the pages of a game of many pages, with a still icon and with the
# animated one, each timed from the click until the window's pixels change.
# Last, the system calls of each thread of the engine on the quiet page are
# counted over 10 s with strace, per second and per frame, and, when valgrind
# is installed, the instructions the main thread runs per frame shown there
# (one per change of the animated icon that the engine draws itself) over
# 20 s under callgrind, or the instructions of those 20 s when it ran no
# frame: a figure that, unlike CPU time, does not depend on what else the
# machine runs.
#
# --pulse plays through a private sound server with a silent sink (started
# for the run) instead of SDL's dummy driver when there is no sound device:
# a real driver, whose thread blocks in the server's write.
#
#   scripts/measure.sh [--idle IDLE] [--clicks CLICKS] [--pulse] [RUNS]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ORBA_BUILD_DIR:-$root/build}
idle=60
clicks=40
pulse=
while [[ ${1:-} == --* ]]; do
    case $1 in
    --idle) idle=${2:-}; shift 2 || shift ;;
    --clicks) clicks=${2:-}; shift 2 || shift ;;
    --pulse) pulse=1; shift ;;
    *) break ;;
    esac
done
runs=${1:-7}
usage="usage: $0 [--idle SECONDS] [--clicks CLICKS] [--pulse] [RUNS]"
[[ $runs =~ ^[1-9][0-9]*$ && $idle =~ ^[1-9][0-9]*$ && $clicks =~ ^[0-9]+$ ]] || { echo "$usage" >&2; exit 2; }

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
# ORBA_DISPLAY sets the first number to try.
display=${ORBA_DISPLAY:-99}
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -br -noreset -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
quiet=$(mktemp -d)
sound_server=
trap 'kill "$xvfb" $sound_server 2>/dev/null || true; rm -rf "$quiet"' EXIT
export DISPLAY=:$display
for _ in $(seq 100); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.05; done
xdpyinfo > /dev/null 2>&1 || { echo "measure: Xvfb did not start" >&2; exit 1; }
unset SDL_VIDEODRIVER

audio="the default sound device"
if ! compgen -G '/dev/snd/pcm*' > /dev/null && [[ -z ${PULSE_SERVER:-} ]] &&
    [[ ! -S ${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native ]]; then
    export SDL_AUDIODRIVER=dummy
fi
if [[ -n $pulse && ${SDL_AUDIODRIVER:-} == dummy ]]; then
    command -v pulseaudio > /dev/null || { echo "measure: --pulse needs pulseaudio" >&2; exit 1; }
    HOME=$quiet XDG_RUNTIME_DIR=$quiet PULSE_RUNTIME_PATH=$quiet pulseaudio -n --daemonize=no --exit-idle-time=-1 \
        --use-pid-file=no -L "module-null-sink sink_name=silent" \
        -L "module-native-protocol-unix socket=$quiet/pulse auth-anonymous=1" > /dev/null 2>&1 &
    sound_server=$!
    for _ in $(seq 100); do [[ -S $quiet/pulse ]] && break; sleep 0.05; done
    export SDL_AUDIODRIVER=pulse PULSE_SERVER=unix:$quiet/pulse
    audio="a private sound server with a silent sink (SDL_AUDIODRIVER=pulse)"
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
quietgame=$quiet/game
mkdir "$quietgame"
cp -r "$game/." "$quietgame"
sed -i '/^music(/d' "$quietgame/resource/level/start.lua"
echo "waiting on the first page for $idle s, quiet (the game without its music), its page-feed icon animated:"
(cd "$quietgame" && idle_run)
stillgame=$quiet/still
cp -r "$quietgame" "$stillgame"
sed -i 's/^PF_TIMER *=.*/PF_TIMER = 0/' "$stillgame/resource/level/game.ini"
echo "waiting on the first page for $idle s, quiet, its page-feed icon still (PF_TIMER = 0):"
(cd "$stillgame" && idle_run)

if ((clicks > 0)); then
    clickgame=$quiet/clicks
    cp -r "$stillgame" "$clickgame"
    printf 'for i = 1, 100000 do\n    say("Page " .. i)\n    page()\nend\n' > "$clickgame/resource/level/start.lua"
    echo "click to screen: $clicks clicks, each turning a page with a still icon:"
    (cd "$clickgame" && "$probe" --idle 0 --settle 2 --clicks "$clicks" "$engine" | grep -E '^click' | sed 's/^/  /')
    animatedclicks=$quiet/animatedclicks
    cp -r "$quietgame" "$animatedclicks"
    cp "$clickgame/resource/level/start.lua" "$animatedclicks/resource/level/start.lua"
    # The probe times a click to any change of the window, the icon's too:
    # one of its cells rarely falls within a millisecond of a click.
    echo "click to screen: $clicks clicks, each turning a page with the animated icon (its cells shown by the X server):"
    (cd "$animatedclicks" && "$probe" --idle 0 --settle 2 --clicks "$clicks" "$engine" | grep -E '^click' | sed 's/^/  /')
fi

# System calls of each thread on the quiet page, over 10 s.
syscall_run() {
    "$engine" > /dev/null 2>&1 &
    local pid=$! traces=$quiet/trace
    timeout 10 xdotool search --sync --pid "$pid" > /dev/null || true
    sleep 3
    mkdir -p "$traces"
    timeout -s INT 10 strace -f -ff -qq -o "$traces/t" -p "$pid" 2> /dev/null || true
    kill -TERM "$pid" 2> /dev/null || true
    wait "$pid" 2> /dev/null || true
    for trace in "$traces"/t.*; do
        awk -v tid="${trace##*.}" '
            match($0, /^[a-z_0-9]+\(/) { n++; calls[substr($0, 1, RLENGTH - 1)]++ }
            END {
                line = ""
                for (c in calls) line = line sprintf(" %s %.1f,", c, calls[c] / 10)
                printf "  thread %-7s %6.1f calls/s (%.2f per 1/30 s):%s\n", tid, n / 10, n / 300, line
            }' "$trace"
    done
}
if command -v strace > /dev/null; then
    echo "system calls on the quiet page (animated icon) over 10 s (strace):"
    (cd "$quietgame" && syscall_run)
fi
# Instructions per frame on the quiet page: counted from 12 s after the start
# (valgrind's own start-up is slow) for 20 s, divided by the frames flipped.
instructions_run() {
    local out=$quiet/callgrind
    valgrind --tool=callgrind --callgrind-out-file="$out.%p" "$engine" > /dev/null 2>&1 &
    local pid=$!
    sleep 12
    callgrind_control -z "$pid" > /dev/null 2>&1
    sleep 20
    callgrind_control -d "$pid" > /dev/null 2>&1
    kill -TERM "$pid" 2> /dev/null || true
    wait "$pid" 2> /dev/null || true
    local dump
    dump=$(ls "$out".*.1 2> /dev/null | head -n 1)
    [[ -n $dump ]] || { echo "  no callgrind dump"; return; }
    callgrind_annotate --tree=calling --inclusive=yes "$dump" 2> /dev/null | awk '
        /PROGRAM TOTALS/ { gsub(",", "", $1); total = $1 }
        /> .*Orba_flip\(\) \([0-9,]+x\)/ && !frames { match($0, /\(([0-9,]+)x\)/); f = substr($0, RSTART + 1, RLENGTH - 3); gsub(",", "", f); frames = f }
        END {
            if (frames > 0) printf "  %d instructions per frame (%d in %d frames)\n", total / frames, total, frames
            else printf "  no frame run; %d instructions in 20 s\n", total
        }'
}
if command -v valgrind > /dev/null && command -v callgrind_control > /dev/null; then
    echo "instructions on the quiet page (animated icon) over 20 s (callgrind):"
    (cd "$quietgame" && instructions_run)
fi
echo "measure: load average $(cut -d' ' -f1-3 /proc/loadavg) after the runs"

#!/usr/bin/env bash
# playthrough.sh ENGINE GAME_DIR OUT_DIR
#
# Plays the sample game from start to end in a virtual X display (Xvfb),
# driven by xdotool clicks, following sample/playthrough.txt. Before each
# click it waits until the expected scene is on the screen (F12 screenshots
# checked with shotcheck.py) and keeps that screenshot as OUT_DIR/NN-NAME.bmp.
# OUT_DIR also receives run.log and the engine's standard output (stdout.log).
#
# Exit status: 0 when every scene showed and run.log ends with "GAME END";
# 1 when something failed (the reason is printed); 77 when Xvfb, xdotool or
# python3 is missing.
#
# An engine built for Windows (ENGINE ending in .exe) runs under Wine, with
# SDL's Windows video driver; WINEPREFIX and WINEDEBUG are passed on.
#
# Environment: PLAYTHROUGH_STEPS (another steps file), PLAYTHROUGH_TIMEOUT
# (seconds a scene may take to show, default 30), SDL_AUDIODRIVER (default
# dummy: the playthrough is silent).
set -euo pipefail

if [[ $# -ne 3 ]]; then
    echo "usage: $0 ENGINE GAME_DIR OUT_DIR" >&2
    exit 2
fi

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
steps=${PLAYTHROUGH_STEPS:-$here/../sample/playthrough.txt}
scene_timeout=${PLAYTHROUGH_TIMEOUT:-30}
shotcheck=$here/shotcheck.py

runner=() video=x11
if [[ $1 == *.exe ]]; then
    runner=(wine) video=windib
fi

for tool in Xvfb xdotool python3 "${runner[@]}"; do
    if ! command -v "$tool" >/dev/null; then
        echo "playthrough: $tool is not installed" >&2
        exit 77
    fi
done

engine=$(realpath "$1")
game=$(realpath "$2")
mkdir -p "$3"
out=$(realpath "$3")
[[ -x $engine ]] || { echo "playthrough: no engine at $engine" >&2; exit 1; }
[[ -f $game/resource/level/game.ini ]] || { echo "playthrough: no game in $game" >&2; exit 1; }
rm -f "$out"/*.bmp "$out"/run.log "$out"/stdout.log

# 54 header bytes and 640 x 480 pixels of 3 bytes: a complete screenshot.
readonly shot_size=$((54 + 640 * 480 * 3))
xvfb_pid=""
engine_pid=""
window=""

say() { echo "playthrough: $*"; }
fail() {
    say "FAILED: $*" >&2
    exit 1
}

engine_running() { [[ -n $engine_pid ]] && kill -0 "$engine_pid" 2>/dev/null; }

# Waits up to $1 seconds for the engine to end by itself.
wait_engine_exit() {
    local deadline=$((SECONDS + $1))
    while engine_running && ((SECONDS < deadline)); do sleep 0.1; done
    ! engine_running
}

cleanup() {
    if engine_running; then
        kill -TERM "$engine_pid" 2>/dev/null || true  # SDL turns it into a close request
        wait_engine_exit 5 || kill -KILL "$engine_pid" 2>/dev/null || true
    fi
    [[ -n $xvfb_pid ]] && kill -TERM "$xvfb_pid" 2>/dev/null || true
    [[ -f $game/run.log ]] && cp "$game/run.log" "$out/run.log"
    return 0
}
trap cleanup EXIT

start_display() {
    : >"$out/xvfb.display"
    Xvfb -displayfd 5 -screen 0 1024x768x24 -noreset 5>"$out/xvfb.display" 2>"$out/xvfb.log" &
    xvfb_pid=$!
    local deadline=$((SECONDS + 15))
    until [[ -s $out/xvfb.display ]]; do
        kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start (see $out/xvfb.log)"
        ((SECONDS < deadline)) || fail "Xvfb did not answer within 15 s"
        sleep 0.1
    done
    export DISPLAY=":$(tr -d '[:space:]' <"$out/xvfb.display")"
    rm -f "$out/xvfb.display"
    say "virtual display $DISPLAY"
}

# The window caption: the CAPTION value of game.ini without its comment.
caption() {
    sed -n 's/#.*//; s/^[[:space:]]*CAPTION[[:space:]]*=[[:space:]]*//p' "$game/resource/level/game.ini" |
        tail -n 1 | sed 's/[[:space:]]*$//'
}

start_engine() {
    rm -f "$game/screenshot.bmp" "$game/run.log"
    # A Wine session still open from programs started without this display
    # would give the engine none: it is let end first.
    ((${#runner[@]} == 0)) || wineserver -w
    (cd "$game" && SDL_VIDEODRIVER=$video SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} exec "${runner[@]}" "$engine") \
        >"$out/stdout.log" 2>&1 &
    engine_pid=$!
    local name
    name=$(caption)
    window=$(timeout 20 xdotool search --sync --name "$name" 2>/dev/null | head -n 1) || true
    [[ -n $window ]] || fail "no window named '$name' appeared (see $out/stdout.log)"
    say "engine window $window ('$name')"
    # Without a window manager the keyboard focus follows the pointer.
    xdotool mousemove --window "$window" 620 20
    timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
}

# A press held for a few frames, so that the engine sees it whatever its
# input polling does.
click_at() {
    xdotool mousemove --window "$window" "$1" "$2"
    sleep 0.1
    xdotool mousedown 1
    sleep 0.1
    xdotool mouseup 1
}

press_key() {
    xdotool keydown "$1"
    sleep 0.1
    xdotool keyup "$1"
}

press_keys() {
    local key
    for key in ${1//,/ }; do
        press_key "$key"
        sleep 0.1
    done
}

# Quits with Escape, which must end the engine with status 0, keeps that
# run's run.log as OUT_DIR/LABEL.log and starts the engine again.
restart_engine() {
    local status=0
    press_key Escape
    wait_engine_exit "$scene_timeout" || fail "the engine did not end after Escape"
    wait "$engine_pid" || status=$?
    ((status == 0)) || fail "the engine ended with status $status after Escape"
    engine_pid=""
    cp "$game/run.log" "$out/$1.log"
    start_engine
}

# Takes a screenshot with F12 and waits until screenshot.bmp is complete.
screenshot() {
    local file=$game/screenshot.bmp deadline=$((SECONDS + 5))
    rm -f "$file"
    press_key F12
    until [[ -f $file && $(stat -c %s "$file") -ge $shot_size ]]; do
        engine_running || return 1
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
    sleep 0.05
}

# Waits until the screen shows every check, then keeps that screenshot.
wait_for_scene() {
    local label=$1 result=""
    shift
    local deadline=$((SECONDS + scene_timeout))
    while ((SECONDS < deadline)); do
        engine_running || fail "the engine ended before scene $label: $(tail -n 1 "$game/run.log" 2>/dev/null)"
        if screenshot; then
            if result=$(python3 "$shotcheck" "$game/screenshot.bmp" "$@"); then
                cp "$game/screenshot.bmp" "$out/$label.bmp"
                say "scene $label"
                return 0
            fi
        fi
        sleep 0.2
    done
    [[ -f $game/screenshot.bmp ]] && cp "$game/screenshot.bmp" "$out/$label-FAILED.bmp"
    fail "scene $label did not show within ${scene_timeout} s: ${result:-no screenshot}"
}

play() {
    local number=0 name action checks
    while read -r -u 3 name action checks; do
        [[ -z $name || $name == \#* ]] && continue
        number=$((number + 1))
        local label
        label=$(printf '%02d-%s' "$number" "$name")
        case $action in
            start) ;;
            click:* | end:*)
                local xy=${action#*:}
                click_at "${xy%,*}" "${xy#*,}"
                sleep 0.3
                ;;
            key:*) press_keys "${action#key:}" ;;
            restart) restart_engine "$label" ;;
            *) fail "unknown action '$action' in $steps" ;;
        esac
        if [[ $action == end:* ]]; then
            wait_engine_exit "$scene_timeout" || fail "the game did not end after the last click"
            break
        fi
        # shellcheck disable=SC2086 # the checks are separate words
        wait_for_scene "$label" $checks
    done 3<"$steps"
}

start_display
start_engine
play
last=$(grep -v '^[[:space:]]*$' "$game/run.log" | tail -n 1)
cp "$game/run.log" "$out/run.log"
[[ $last == "GAME END" ]] || fail "run.log ends with '$last', not 'GAME END'"
say "the game ran from start to end; screenshots and run.log are in $out"

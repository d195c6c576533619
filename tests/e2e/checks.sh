# shellcheck shell=bash
# Sourced by the end-to-end scripts: checks that are counted, not fatal, so
# that one run reports every failed check.
failures=0

# Exits 77 (the test is skipped) unless every tool named is installed.
require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "e2e: $tool is not installed" >&2; exit 77; }
    done
}

# A key pressed and released a tenth of a second later, as a player does.
press() {
    xdotool keydown "$1"
    sleep 0.1
    xdotool keyup "$1"
}

# F12's screenshot of the 640 x 480 game in folder $1, once it is written
# whole, moved to $2.
screenshot() {
    local shot=$1/screenshot.bmp
    rm -f "$shot"
    press F12
    for _ in $(seq 60); do [[ -f $shot && $(stat -c %s "$shot") -ge $((54 + 640 * 480 * 3)) ]] && break; sleep 0.05; done
    mv "$shot" "$2"
}

# Copies the game folder $1 to $2/game (then $game), shown at window scale
# $3 and playing the start.lua text $4.
copy_game_at_scale() {
    game=$2/game
    mkdir -p "$2"
    cp -r "$1" "$game"
    echo "WINDOW_SCALE = $3" >>"$game/resource/level/game.ini"
    printf '%s' "$4" >"$game/resource/level/start.lua"
}

# Starts ENGINE in $game, its output in LOG, and waits for its window (then
# $window, the engine's process $engine_pid); the pointer goes to the frame's
# top right at window scale SCALE.
launch_game() {
    local engine=$1 log=$2 scale=$3
    (cd "$game" && SDL_AUDIODRIVER=dummy exec "$engine") >"$log" 2>&1 &
    engine_pid=$!
    window=$(timeout 20 xdotool search --sync --classname advengine | head -n 1) || true
    [[ -n $window ]] || { echo "FAILED: no window (see $log)" >&2; exit 1; }
    xdotool mousemove --window "$window" $((600 * scale)) $((40 * scale))
}

# Ends the engine launch_game started.
stop_game() {
    kill -TERM "$engine_pid" 2>/dev/null || true
    wait "$engine_pid" 2>/dev/null || true
    engine_pid=""
}

# Runs a check command and counts it when it fails.
check() {
    echo "check: $*"
    if ! "$@"; then
        echo "FAILED: $*" >&2
        failures=$((failures + 1))
    fi
}

# The last line of a run.log that is not blank.
last_line() { grep -v '^[[:space:]]*$' "$1" | tail -n 1; }

# Ends the script: 1 when a check failed, naming where to look ($1), else 0
# with the success message ($2).
finish_checks() {
    ((failures == 0)) || { echo "$failures check(s) failed; screenshots and run.log are in $1" >&2; exit 1; }
    echo "$2"
}

# Ends the engine ($engine_pid) and the display ($xvfb_pid) the script
# started, however it exits.
stop_all_on_exit() {
    xvfb_pid="" engine_pid=""
    trap 'kill -TERM ${engine_pid:+"$engine_pid"} ${xvfb_pid:+"$xvfb_pid"} 2>/dev/null || true' EXIT
}

# Starts a virtual X display of the screen size $1 (WxHxD) for the script,
# logging to $2: on display E2E_DISPLAY when set, else on one Xvfb picks;
# sets xvfb_pid and DISPLAY and waits until the display answers.
start_display() {
    if [[ -n ${E2E_DISPLAY:-} ]]; then
        Xvfb ":$E2E_DISPLAY" -screen 0 "$1" -noreset >/dev/null 2>"$2" &
        xvfb_pid=$!
        export DISPLAY=:$E2E_DISPLAY
    else
        local number=$2.display
        Xvfb -displayfd 5 -screen 0 "$1" -noreset 5>"$number" >/dev/null 2>"$2" &
        xvfb_pid=$!
        for _ in $(seq 150); do [[ -s $number ]] && break; sleep 0.1; done
        DISPLAY=":$(tr -d '[:space:]' <"$number")"
        export DISPLAY
    fi
    for _ in $(seq 150); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

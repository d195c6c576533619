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

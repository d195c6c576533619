# shellcheck shell=bash
# Sourced by the end-to-end scripts: checks that are counted, not fatal, so
# that one run reports every failed check.
failures=0

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

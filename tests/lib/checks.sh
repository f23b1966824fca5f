# What the script tests share: a count of failed checks, a check that says what it saw, and the
# end that fails when any did. Sourced, not executed.
failures=0

# expect WHAT PATTERN ACTUAL: ACTUAL must match the glob PATTERN.
expect() {
    if [[ "$3" == $2 ]]; then
        echo "ok: $1"
    else
        echo "FAIL: $1: got \"$3\", expected \"$2\""
        failures=$((failures + 1))
    fi
}

# The last line, and the script's exit code: non-zero when any check failed.
finish() {
    echo "$failures problems"
    [ "$failures" -eq 0 ]
}

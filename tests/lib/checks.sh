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

# A scratch folder in $work, removed when the script ends, with the virtual camera of the program
# folder $bin unplugged then.
scratch_folder() {
    work=$(mktemp -d)
    trap 'run_vcam "$bin" unplug >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
}

# The last line, and the script's exit code: non-zero when any check failed.
finish() {
    echo "$failures problems"
    [ "$failures" -eq 0 ]
}

# Shared by the shell tests: counted checks and the closing "N passed, N failed" line.
# Source it, call `check NAME COMMAND...` for each check, and end with `finish`.
passed=0
failed=0

check() {  # check NAME COMMAND...: the check passes when COMMAND succeeds
    local name=$1
    shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}

finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

# Shell helpers of the tests that run the Brunolt executable as a process: sourced, not run.

# Fails the test with a message, killing the game if it still runs.
fail() {
    echo "$test_name: $*"
    if [ -n "${game_pid:-}" ]; then kill -9 "$game_pid" 2>/dev/null; fi
    exit 1
}

# Starts the game in the background; its standard error goes to $game_log.
start_game() {
    game_log=$(mktemp)
    "$game" 2>"$game_log" &
    game_pid=$!
}

# Runs the command given until it succeeds, every 0.1 s for at most $1 seconds.
wait_until() {
    limit=$(($1 * 10))
    shift
    tries=0
    until "$@"; do
        tries=$((tries + 1))
        [ "$tries" -lt "$limit" ] || return 1
        sleep 0.1
    done
}

# Waits at most $1 seconds for the game to end, and fails unless it ended with exit code 0.
expect_exit_zero() {
    (
        trap 'kill "$sleeper" 2>/dev/null; exit 0' TERM
        sleep "$1" &
        sleeper=$!
        wait "$sleeper"
        kill -9 "$game_pid" 2>/dev/null
    ) >/dev/null 2>&1 &
    watchdog=$!
    wait "$game_pid"
    status=$?
    kill "$watchdog" 2>/dev/null
    wait "$watchdog" 2>/dev/null
    game_pid=
    [ "$status" -eq 0 ] || fail "$2: the game ended with status $status, not 0 ($(cat "$game_log"))"
    rm -f "$game_log"
}

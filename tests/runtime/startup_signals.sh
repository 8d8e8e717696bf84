#!/bin/sh
# SIGTERM, SIGINT and SIGHUP end the game with exit code 0 at every point of its start-up and
# while it runs. The game pauses its start-up at the point named in BRUNOLT_TEST_PAUSE_AT until
# a signal comes, so each signal arrives exactly there.
# usage: startup_signals.sh GAME
set -u
test_name=startup_signals
game=$1
. "$(dirname "$0")/../support/game_process.sh"

# At a point of start-up: the signal is sent once the game says it waits there.
for case in start:TERM sdl:INT screen:HUP threads:TERM; do
    point=${case%%:*}
    signal=${case#*:}
    export BRUNOLT_TEST_PAUSE_AT="$point"
    start_game
    wait_until 60 grep -q "paused at $point" "$game_log" ||
        fail "the game never reached the start-up point $point ($(cat "$game_log"))"
    kill -s "$signal" "$game_pid"
    expect_exit_zero 60 "SIG$signal at $point"
done

# While the game runs its opening screens.
unset BRUNOLT_TEST_PAUSE_AT
for signal in HUP INT; do
    start_game
    sleep 2
    kill -s "$signal" "$game_pid"
    expect_exit_zero 60 "SIG$signal while running"
done
echo "$test_name: every signal ended the game with exit code 0"

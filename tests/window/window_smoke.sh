#!/bin/sh
# The real game in a real X server: Brunolt under xvfb-run, found and typed at with xdotool. The
# window must be 320 x 200 on the disclaimer and 640 x 480 on the menu; a key, Right and
# Ctrl+Break (the Pause key with Ctrl, as a keyboard sends it) must end the game with exit code
# 0, and so must SIGTERM and the window's close button. Skipped where Xvfb or xdotool is missing.
# usage: window_smoke.sh GAME [CLOSE_WINDOW_TOOL]
set -u
test_name=window_smoke
game=$1
closer=${2:-}
. "$(dirname "$0")/../support/game_process.sh"

if [ "${BRUNOLT_UNDER_XVFB:-}" != 1 ]; then
    for tool in xvfb-run xdotool; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "$test_name skipped: $tool is not installed (tools/setup.sh installs it)"
            exit 77
        fi
    done
    # Without -noreset the server resets when the last game leaves, and may refuse the next.
    BRUNOLT_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" sh "$0" "$@"
fi
# The X11 driver or none: without the server, SDL would fall back to drawing in the terminal.
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
# A leak checker in the game must not count what the X library keeps.
LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export LSAN_OPTIONS

game_window() { xdotool search --name '^Untitled$' 2>/dev/null | head -n 1; }
# What the X server shows, for a failure's message.
windows() {
    for w in $(xdotool search --name '.' 2>/dev/null); do
        printf '%s "%s" %s; ' "$w" "$(xdotool getwindowname "$w")" \
            "$(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: //p')"
    done
}
window_is() {
    window=$(game_window)
    [ -n "$window" ] && xdotool getwindowgeometry "$window" 2>/dev/null | grep -q "Geometry: $1\$"
}
# Keys go where the input focus is; without a window manager nobody gives it to the game.
press() {
    xdotool windowfocus --sync "$(game_window)" && xdotool key --delay 100 "$@"
}

# Disclaimer, a key, the menu, Right, Ctrl+Break.
start_game
wait_until 60 window_is 320x200 || fail "no 320 x 200 window on the disclaimer (windows: $(windows))"
press space || fail "cannot type into the window"
wait_until 60 window_is 640x480 || fail "no 640 x 480 window after a key on the disclaimer"
press Right ctrl+Pause || fail "cannot type into the window"
expect_exit_zero 30 "Ctrl+Break on the menu"

start_game
wait_until 60 window_is 320x200 || fail "no window to send SIGTERM to (windows: $(windows))"
kill -s TERM "$game_pid"
expect_exit_zero 30 "SIGTERM on the disclaimer"

if [ -n "$closer" ]; then
    start_game
    wait_until 60 window_is 320x200 || fail "no window to close"
    "$closer" "$(game_window)" || fail "cannot ask the window to close"
    expect_exit_zero 30 "closing the window"
fi
echo "$test_name: the window and the ways out work under a real X server"

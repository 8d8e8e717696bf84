#!/bin/sh
# The game's idle processor time on the screens where it waits for the player: the disclaimer,
# the menu (while its music plays and after it), the telephone with no key pressed; per thread,
# 10 s each, with the game in a virtual X server and keys sent as a player's.
# Usage: tools/idle_cpu/measure_idle.sh [BUILD_DIR [GAME]]   (needs Xvfb and xdotool)
set -e
build=${1:-build}
game=${2:-$build/bin/Brunolt}
idle_cpu=$build/bin/idle_cpu
for tool in Xvfb xdotool "$idle_cpu" "$game"; do
    command -v "$tool" >/dev/null || { echo "measure_idle: $tool is missing" >&2; exit 1; }
done

# The game and its data in a folder of their own, so that nothing of the build is written.
work=$(mktemp -d)
cp "$game" "$work/Brunolt"
cp "$(dirname "$game")"/*.grh "$(dirname "$game")"/*.ogg "$(dirname "$game")"/tempo.max "$work/"

display=90
while [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
Xvfb :$display -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
game_pid=
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=:$display
sleep 1
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$work/Brunolt" &
game_pid=$!
window=$(xdotool search --sync --name Untitled | head -n 1)
press() {
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    for key in "$@"; do
        xdotool key "$key"
        sleep 0.3
    done
}
measure() {
    "$idle_cpu" --seconds 10 --title "$1" "$game_pid"
}

sleep 2
measure "disclaimer"
press space
sleep 2
measure "menu, its music playing"
sleep 10
measure "menu, after the music"
press Right Right Return
sleep 4
measure "telephone, no key pressed"
press Escape
sleep 3
press space
wait "$game_pid" || true
game_pid=

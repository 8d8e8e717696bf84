#!/bin/sh
# Builds the game and runs it from the build folder, where its data files sit beside it.
set -e
cd "$(dirname "$0")/.."
./tools/setup.sh
cmake -S . -B build >/dev/null
cmake --build build -j "$(nproc)" --target Brunolt
if [ -z "$DISPLAY" ] && [ -z "$SDL_VIDEODRIVER" ]; then
    echo "Brunolt: no display here (DISPLAY is not set), so the game window cannot open." >&2
    exit 1
fi
exec ./build/bin/Brunolt "$@"

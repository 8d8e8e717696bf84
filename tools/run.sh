#!/bin/sh
# Builds the game and runs it from the build folder, where its data files sit beside it.
# Without a display it plays the bundled demo headless and leaves its screenshots behind.
set -e
cd "$(dirname "$0")/.."
./tools/setup.sh
# The tests are not built here, so playing needs no GoogleTest.
cmake -S . -B build -DBUILD_TESTING=OFF >/dev/null
cmake --build build -j "$(nproc)" --target Brunolt brunolt-replay
if [ -z "$DISPLAY" ] && [ -z "$SDL_VIDEODRIVER" ]; then
    shots="$(pwd)/demo-shots"
    mkdir -p "$shots"
    echo "Brunolt: no display here, so instead of opening a window it plays the demo headless;"
    echo "its screenshots and screen texts go to $shots"
    cd "$shots"
    exec ../build/bin/brunolt-replay --speed max ../data/demo.replay
fi
exec ./build/bin/Brunolt "$@"

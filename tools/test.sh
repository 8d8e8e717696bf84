#!/bin/sh
# Builds the project three times (plain with gcc; clang with AddressSanitizer,
# UndefinedBehaviorSanitizer and the fuzz targets; ThreadSanitizer with gcc) and runs the
# whole test suite in each, builds and checks the Debian package from the plain build, builds
# the web version and plays it in headless Chromium, then runs every fuzz target for a while;
# stops at the first failure. FUZZ_SECONDS sets each fuzz target's time (default 30).
set -e
cd "$(dirname "$0")/.."
./tools/setup.sh --test
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
JOBS=$(nproc)
# run_config DIR CC CXX [CMAKE OPTIONS]: configures, builds and tests one build folder.
run_config() {
    dir=$1; cc=$2; cxx=$3; shift 3
    # A folder made with another compiler is started afresh: CMake would otherwise reset its
    # cache on the switch and silently drop the options below.
    if [ -f "$dir/CMakeCache.txt" ] &&
        ! grep -q "^CMAKE_CXX_COMPILER:[A-Z]*=$(command -v "$cxx")\$" "$dir/CMakeCache.txt"; then
        rm -rf "$dir"
    fi
    cmake -S . -B "$dir" -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
        -DBRUNOLT_WERROR=ON -DBUILD_TESTING=ON "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
    (cd "$dir" && ctest --output-on-failure -j "$JOBS" --timeout 300)
}
run_config build gcc g++
sh tests/install/check_package.sh build
./tools/web.sh
python3 tests/web/browser_test.py build-web build/bin/canvas_cells
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_config build-asan clang clang++ -DBRUNOLT_SANITIZE=address -DBRUNOLT_FUZZ=ON
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(pwd)/tests/tsan.supp" \
    run_config build-tsan gcc g++ -DBRUNOLT_SANITIZE=thread
./tools/fuzz.sh build-asan "${FUZZ_SECONDS:-30}"

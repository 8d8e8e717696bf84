#!/bin/sh
# Builds the project three times (plain with gcc; clang with AddressSanitizer,
# UndefinedBehaviorSanitizer and the fuzz targets; ThreadSanitizer with gcc) and runs the
# whole test suite in each, builds and checks the Debian package from the plain build, then
# runs every fuzz target for a while; stops at the first failure. FUZZ_SECONDS sets each fuzz
# target's time (default 30).
set -e
cd "$(dirname "$0")/.."
./tools/setup.sh --test
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
JOBS=$(nproc)
run_config() {
    dir=$1; shift
    cmake -S . -B "$dir" -DBRUNOLT_WERROR=ON -DBUILD_TESTING=ON "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
    (cd "$dir" && ctest --output-on-failure -j "$JOBS" --timeout 300)
}
run_config build
sh tests/install/check_package.sh build
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_config build-asan -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DBRUNOLT_SANITIZE=address -DBRUNOLT_FUZZ=ON
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(pwd)/tests/tsan.supp" \
    run_config build-tsan -DBRUNOLT_SANITIZE=thread
./tools/fuzz.sh build-asan "${FUZZ_SECONDS:-30}"

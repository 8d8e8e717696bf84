#!/bin/sh
# Builds the project three times (plain, AddressSanitizer with UndefinedBehaviorSanitizer,
# ThreadSanitizer) and runs the whole test suite in each, and builds and checks the Debian
# package from the plain build; stops at the first failure.
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
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_config build-asan -DBRUNOLT_SANITIZE=address
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(pwd)/tests/tsan.supp" \
    run_config build-tsan -DBRUNOLT_SANITIZE=thread

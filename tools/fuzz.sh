#!/bin/sh
# Runs every fuzz target of a BRUNOLT_FUZZ build for a while, each from its seed corpus with a
# fixed seed, as many at once as there are cores (FUZZ_JOBS sets it), and stops after the round
# in which one crashed, showing it (the input is kept in the build folder:
# BUILD/fuzz-runs/TARGET-crash-...; replay it with BUILD/bin/TARGET_fuzz FILE).
# Usage: tools/fuzz.sh BUILD_DIR [SECONDS_EACH] [TARGET...]
set -e
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(cd "$1" && pwd)
seconds=${2:-30}
[ $# -ge 2 ] && shift 2 || shift $#
targets=${*:-picture number_text music_macro input_field high_scores replay_script}
runs="$build/fuzz-runs"
fuzz_one() {
    target=$1
    # New inputs go to a folder of the build, so the seeds in the repository stay as they are.
    mkdir -p "$runs/$target"
    dict=""
    [ -f "$root/fuzz/dict/$target.dict" ] && dict="-dict=$root/fuzz/dict/$target.dict"
    max_len=2048
    seeds="$root/fuzz/corpus/$target"
    if [ "$target" = replay_script ]; then
        # The game's own scripts are seeds as well; the demo is copied in with the new inputs.
        cp "$root/data/demo.replay" "$runs/$target/"
        seeds="$seeds $root/tests/scripts"
        max_len=8192
    fi
    [ "$target" = picture ] && max_len=4096
    if ! "$build/bin/${target}_fuzz" -seed=1 -max_total_time="$seconds" -max_len="$max_len" \
        -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 $dict \
        -artifact_prefix="$runs/$target-" "$runs/$target" $seeds \
        >"$runs/$target.log" 2>&1; then
        tail -n 60 "$runs/$target.log"
        echo "fuzz: $target crashed; its input is in $runs/"
        return 1
    fi
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$runs/$target.log")
    echo "fuzz: $target: $executed runs in $seconds s, no crash"
}

jobs=${FUZZ_JOBS:-$(nproc)}
pids="" running=0 failed=0
for target in $targets; do
    fuzz_one "$target" &
    pids="$pids $!" running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        for pid in $pids; do wait "$pid" || failed=1; done
        pids="" running=0
        [ "$failed" -eq 0 ] || exit 1
    fi
done
for pid in $pids; do wait "$pid" || failed=1; done
exit "$failed"

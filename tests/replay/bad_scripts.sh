#!/bin/sh
# brunolt-replay refuses what it cannot run: each bad line ends the run with exit code 1 and a
# message naming the script's line, and no temporary copy of the data is left behind.
# Usage: bad_scripts.sh BRUNOLT-REPLAY
replay=$1
work=$(mktemp -d /tmp/brunolt-bad-scripts-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/tmp"
failed=0
# case LINE MESSAGE [SCRIPT LINES...]: the script fails at LINE with MESSAGE in its report.
case_() {
    line=$1 message=$2
    shift 2
    printf '%s\n' "$@" >"$work/bad.replay"
    TMPDIR="$work/tmp" "$replay" "$work/bad.replay" >"$work/out" 2>"$work/err"
    code=$?
    if [ $code -ne 1 ] || ! grep -qF "bad.replay:$line: $message" "$work/err" ||
        [ -n "$(ls -A "$work/tmp")" ]; then
        echo "FAILED: $* -> exit $code, left: $(ls -A "$work/tmp")"
        cat "$work/err"
        failed=1
    fi
    rm -rf "$work/tmp"/*
}
case_ 2 "wait MS (0 to 86400000)" "wait 10" "wait 99999999999999999999999"
case_ 2 "wait MS (0 to 86400000)" "key enter" "wait 4294967296"
case_ 2 "until TEXT [MS]" "wait 1" "until Tempo 18446744073709551616"
case_ 2 "until TEXT [MS]" "wait 1" "until   "
case_ 2 "expect ROW COL TEXT" "wait 1" "expect 4294967296 1 x"
case_ 2 "expect-colour ROW COL N" "wait 1" "expect-colour 1 2 99999999999"
case_ 2 "exit CODE (0 to 255)" "wait 1" "exit 4294967296"
case_ 2 "key NAME [COUNT] (1 to 1000)" "wait 1" "key f12 99999999"
for count in abc -5 0; do
    case_ 2 "key NAME [COUNT] (1 to 1000)" "wait 1" "key space $count"
done
case_ 3 "cannot write /dev/full" "until Premi un Tasto..." "wait 1" "screen /dev/full"
case_ 2 "cannot write /dev/full" "until Premi un Tasto..." "sounds /dev/full"
case_ 2 "cannot write $work/no-folder/x.txt" "until Premi un Tasto..." "screen $work/no-folder/x.txt"
# A missing data folder is refused before anything runs.
printf 'wait 1\n' >"$work/ok.replay"
if TMPDIR="$work/tmp" "$replay" --dir "$work/missing" "$work/ok.replay" 2>"$work/err" ||
    ! grep -qF "$work/missing is not a folder" "$work/err"; then
    echo "FAILED: --dir of a missing folder"
    failed=1
fi
exit $failed

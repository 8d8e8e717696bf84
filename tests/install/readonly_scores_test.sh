#!/bin/sh
# Two whole won games in a read-only copy of the installed tree, played with the replay driver
# by an unprivileged user whose home is a temporary folder: the scores go to the player's own
# copy, the second game lists the first one's name, the installed table stays as it was.
# Usage: readonly_scores_test.sh CMAKE BUILD_DIR REPLAY SPEED FIRST.replay SECOND.replay
set -eu
cmake=$1 build=$2 replay=$3 speed=$4 first=$5 second=$6
if [ "$(id -u)" -ne 0 ] || ! command -v setpriv >/dev/null; then
    echo "SKIP: playing as another user needs root and setpriv"
    exit 77
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
chmod 755 "$tmp"

"$cmake" --install "$build" --prefix "$tmp/p" >/dev/null
chown -R 0:0 "$tmp/p"
chmod -R a-w "$tmp/p"
installed=$tmp/p/lib/brunolt/tempo.max
cp "$installed" "$tmp/installed-before"
# The driver is copied where the player may run it, whatever the build folder allows.
cp "$replay" "$tmp/brunolt-replay"
mkdir "$tmp/home" "$tmp/work"
chown 65534:65534 "$tmp/home" "$tmp/work"

play() {
    (cd "$tmp/work" && env -u XDG_DATA_HOME HOME="$tmp/home" \
        setpriv --reuid=65534 --regid=65534 --clear-groups \
        "$tmp/brunolt-replay" --speed "$speed" --dir "$tmp/p/lib/brunolt" "$1") ||
        fail "$(basename "$1") did not play through"
}
play "$first"
copy=$tmp/home/.local/share/brunolt/tempo.max
[ -f "$copy" ] || fail "no player's copy after the first game"
head -n 1 "$copy" | grep -q '^"PRIMO",' || fail "the first game's name does not head the copy"
play "$second"
head -n 2 "$copy" | grep -q '"PRIMO"' || fail "the first name left the table"
head -n 2 "$copy" | grep -q '"SECONDO"' || fail "the second name is not in the table"
[ "$(wc -l <"$copy")" -eq 5 ] || fail "the copy does not hold five records"
cmp -s "$installed" "$tmp/installed-before" || fail "the installed table changed"
[ "$(ls -A "$tmp/home/.local/share/brunolt")" = tempo.max ] || fail "files left beside the copy"
[ "$(stat -c %u "$copy")" = 65534 ] || fail "the copy is not the player's"
cp "$tmp/work/readonly_scores.png" .
echo "two games in a read-only install: ok (picture: $(pwd)/readonly_scores.png)"

#!/bin/sh
# Every way one data file can be broken, played by brunolt-replay to where the game uses the
# file: each case expects its numbered boxes (none for a sound file, which plays nothing when
# it cannot be read); answered "yes" the game goes on to its next screen, answered "no" it ends
# with exit code 0. No other data file is written. Limits are game time.
# Usage: breakage_test.sh BRUNOLT-REPLAY DATA_DIR FILE
replay=$1 data=$2 file=$3
work=$(mktemp -d /tmp/brunolt-breakage-XXXXXX)
trap 'rm -rf "$work"' EXIT
failed=0 cases=0

# The boxes a breakage of this file shows, as error numbers in order ("" for none). A table
# that cannot be opened shows 53 (70 for a folder or an unreadable file) and then 52 for each
# later read of the qualifying time; one with too few records 62 for each read past its end.
expected() { # KIND
    case "$file:$1" in
        *.ogg:*) echo "" ;;
        *.grh:missing | *.grh:folder | *.grh:unreadable) echo 53 ;;
        *.grh:*) echo 54 ;;
        tempo.max:missing) echo "53 52 52 52" ;;
        tempo.max:folder | tempo.max:unreadable) echo "70 52 52 52" ;;
        tempo.max:half) echo 62 ;;
        tempo.max:first-byte) echo "" ;;  # the first field is read unquoted, up to its comma
        tempo.max:*) echo "62 62 62" ;;
    esac
}

# Where the game first uses the file: the opening, the start of a game, the high scores.
case $file in
    tel2.grh | simgra.grh | Presenta.ogg) stage=opening ;;
    cor.grh) stage=scores ;;
    *) stage=start ;;
esac

kinds="missing empty cut3 cut7 half first-byte random folder unreadable"
case $file in *.grh) kinds="$kinds size-field" ;; esac

# Deterministic bytes that do not start like a picture (a first byte of 253).
random_bytes() { # COUNT
    awk -v n="$1" 'BEGIN { x = 4242; for (i = 0; i < n; i++) { x = (x * 75) % 65537;
        b = x % 256; if (i == 0 && b == 253) b = 0; printf "\\%03o", b } }'
}

# Breaks FILE in DIR the KIND way.
break_file() { # DIR KIND
    f=$1/$file
    size=$(stat -c %s "$f")
    case $2 in
        missing) rm "$f" ;;
        empty) : >"$f" ;;
        cut3) head -c 3 "$f" >"$f.cut" && mv "$f.cut" "$f" ;;
        cut7) head -c 7 "$f" >"$f.cut" && mv "$f.cut" "$f" ;;
        half) head -c $((size / 2)) "$f" >"$f.cut" && mv "$f.cut" "$f" ;;
        first-byte) printf '\001' | dd of="$f" bs=1 count=1 conv=notrunc 2>/dev/null ;;
        size-field) printf '\377\377' | dd of="$f" bs=1 seek=5 count=2 conv=notrunc 2>/dev/null ;;
        random) printf "$(random_bytes 300)" >"$f" ;;
        folder) rm "$f" && mkdir "$f" ;;
        unreadable) chmod 000 "$f" ;;
    esac
}

# The boxes answered: on "no" the run must end there with exit code 0.
answer_boxes() { # BOXES ANSWER
    for box in $1; do
        printf 'until Unhandled Error #%s 60000\nanswer %s\n' "$box" "$2"
        if [ "$2" = no ]; then
            echo "exit 0"
            return 1
        fi
    done
}

# The script of a run: up to where the file is used, the boxes answered, then the next screen.
# A picture that fails to load leaves its buffer as it was, whatever the breakage, so after the
# first breakage of a picture of the telephone (WHOLE_GAME=yes) the others only go on to the
# telephone's first pass instead of the whole game.
script() { # BOXES ANSWER WHOLE_GAME
    printf 'until Premi un Tasto... 60000\nkey space\n'
    if [ $stage = opening ]; then
        answer_boxes "$1" "$2" || return
        printf 'until M  E  N  U 60000\nclose\nexit 0\n'
        return
    fi
    echo "until M  E  N  U 60000"
    # A game of five minutes runs out at once when the clock jumps.
    [ $file = scaduto.ogg ] && printf 'key left\nkey backspace 9\nkey right\n'
    printf 'key right\nkey right\nkey enter\n'
    [ $stage = start ] && { answer_boxes "$1" "$2" || return; }
    printf 'until Numeri occupati: 60000\nclock 10:00:00\n'
    if [ $stage = start ] && [ "$3" = no ] && [ "${file%.grh}" != "$file" ]; then
        printf 'close\nexit 0\n'
        return
    fi
    case $file in
        finale.ogg) printf 'key esc\nuntil Press any key to continue 60000\nidle\nkey enter\nexit 0\n' ;;
        scaduto.ogg)
            printf 'key right\nuntil Scelta N\302\2601 60000\nclock 10:05:30\n'
            printf 'until Tempo scaduto!!! 60000\nuntil M  E  N  U 60000\nclose\nexit 0\n' ;;
        telibero.ogg)
            # The first number called is busy; with this seed the second answers with a greeting.
            printf 'seed 509\ndial existing\nuntil Numero occupato!! 60000\nwait 4000\nclock 10:00:00\n'
            printf 'dial existing\nuntil Distinti saluti da 60000\nclose\nexit 0\n' ;;
        tempo.max)
            # Whether the time qualifies depends on what was read: the list or the menu follows.
            printf 'dial culprit\nuntil andate a fa 60000\nwait 3000\nkey space\nwait 5000\n'
            printf 'close\nexit 0\n' ;;
        *)
            # The culprit's confession draws the faces; the name entry saves tempo.max.
            printf 'dial culprit\nuntil andate a fa 60000\nwait 3000\nkey space\n'
            [ $stage = scores ] && { answer_boxes "$1" "$2" || return; }
            printf 'until Inserisci il tuo nome 60000\ntype ZZ\nkey enter\nuntil ZZ 60000\n'
            printf 'key space\nuntil M  E  N  U 60000\nclose\nexit 0\n' ;;
    esac
}

as_player=""
if [ "$(id -u)" -eq 0 ]; then
    # The superuser reads any file: the unreadable case is played by another user.
    command -v setpriv >/dev/null && as_player="setpriv --reuid=65534 --regid=65534 --clear-groups"
fi

for kind in $kinds; do
    boxes=$(expected "$kind")
    for answer in yes no; do
        [ "$answer" = no ] && [ -z "$boxes" ] && continue
        if [ "$kind" = unreadable ] && [ "$(id -u)" -eq 0 ] && [ -z "$as_player" ]; then
            echo "skipped: $file $kind (needs setpriv)"
            continue
        fi
        cases=$((cases + 1))
        dir=$work/$kind-$answer
        mkdir "$dir"
        cp "$data"/*.grh "$data"/*.ogg "$data"/tempo.max "$dir"/
        break_file "$dir" "$kind"
        (cd "$dir" && ls | grep -vxF "$file" | xargs md5sum) >"$work/before"
        whole=no
        [ "$kind" = missing ] && whole=yes
        script "$boxes" "$answer" $whole >"$work/case.replay"
        run=""
        if [ "$kind" = unreadable ] && [ -n "$as_player" ]; then
            chown -R 65534:65534 "$dir" "$work/case.replay"
            chown 0:0 "$dir/$file"
            chmod 755 "$work"
            run=$as_player
        fi
        TMPDIR="$dir" $run "$replay" --dir "$dir" "$work/case.replay" >"$work/out" 2>&1
        code=$?
        (cd "$dir" && ls | grep -vxF "$file" | grep -v '^brunolt-replay-' | xargs md5sum) \
            >"$work/after"
        # The name entry rewrites tempo.max itself; no other file may change.
        changed=$(diff "$work/before" "$work/after" | grep '^[<>]' | grep -v ' tempo.max$')
        if [ $code -ne 0 ] || [ -n "$changed" ]; then
            echo "FAILED: $file $kind, boxes \"$boxes\" answered $answer: exit code $code"
            [ -n "$changed" ] && echo "changed: $changed"
            cat "$work/out"
            failed=1
        fi
        rm -rf "$dir"
    done
done
echo "$file: $cases cases"
exit $failed

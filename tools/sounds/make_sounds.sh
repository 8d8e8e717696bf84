#!/bin/sh
# Makes the game's five sound files (data/*.ogg) from the little scores below, with sox.
# Square-wave tunes over a triangle-wave bass, softened a little above 4.5 kHz, 22050 Hz mono,
# Ogg Vorbis: small files in the manner of an old PC game. Needs: sox, libsox-fmt-all.
# Run from anywhere; writes into data/.
set -e
cd "$(dirname "$0")/../.."
OUT=data
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
RATE=22050

# Frequency of a note name such as A4, C#5 or Bb3 (equal temperament, A4 = 440 Hz).
freq() {
    echo "$1" | awk '{
        n = substr($0, 1, 1); rest = substr($0, 2); shift = 0
        if (substr(rest, 1, 1) == "#") { shift = 1; rest = substr(rest, 2) }
        else if (substr(rest, 1, 1) == "b") { shift = -1; rest = substr(rest, 2) }
        split("C D E F G A B", names, " "); split("0 2 4 5 7 9 11", steps, " ")
        for (i = 1; i <= 7; i++) if (names[i] == n) s = steps[i]
        midi = 12 * (rest + 1) + s + shift
        printf "%.3f", 440 * 2 ^ ((midi - 69) / 12)
    }'
}

# voice NAME WAVE VOLUME SECONDS_PER_STEP "NOTE/STEPS ..." : one melodic line as a wav file.
# R/n is a rest. Each note has a short attack and release, so notes do not click.
voice() {
    name=$1 wave=$2 volume=$3 step=$4 score=$5
    i=0
    list=""
    for token in $score; do
        note=${token%/*}
        steps=${token#*/}
        seconds=$(awk -v s="$step" -v n="$steps" 'BEGIN { printf "%.4f", s * n }')
        part="$WORK/$name-$(printf %04d $i).wav"
        if [ "$note" = R ]; then
            sox -n -r $RATE -c 1 -b 16 "$part" trim 0 "$seconds"
        else
            sox -n -r $RATE -c 1 -b 16 "$part" synth "$seconds" "$wave" "$(freq "$note")" \
                vol "$volume" fade q 0.004 "$seconds" 0.03
        fi
        list="$list $part"
        i=$((i + 1))
    done
    sox $list "$WORK/$name.wav"
}

# tune FILE "lead score" "bass score" STEP : mixes the two lines and encodes the file.
tune() {
    file=$1 lead=$2 bass=$3 step=$4
    voice lead square 0.22 "$step" "$lead"
    voice bass triangle 0.40 "$step" "$bass"
    sox -m "$WORK/lead.wav" "$WORK/bass.wav" "$WORK/mix.wav" lowpass 4500 gain -n -4 \
        fade q 0.01 0 0.15
    sox "$WORK/mix.wav" -C 1 "$OUT/$file"
    rm -f "$WORK"/*.wav
}

# Opening tune: a detective's theme in A minor, about 21 seconds.
tune Presenta.ogg \
    "A4/2 C5/1 E5/1 A5/2 G5/1 E5/1  F5/2 E5/1 D5/1 E5/4
     A4/2 C5/1 E5/1 G5/2 F5/1 E5/1  D5/2 C5/1 B4/1 C5/4
     D5/1 E5/1 F5/2 A5/2 F5/2       E5/1 D5/1 C5/2 E5/4
     D5/1 C5/1 B4/2 G4/2 B4/2       A4/2 B4/1 C5/1 B4/4
     A4/2 C5/1 E5/1 A5/2 B5/1 C6/1  B5/2 A5/1 G#5/1 A5/4
     F5/1 E5/1 D5/1 C5/1 B4/2 E5/2  A4/6 R/2
     A5/1 E5/1 C5/1 E5/1 A5/4" \
    "A2/2 E3/2 A2/2 E3/2  D3/2 A2/2 E2/2 B2/2
     A2/2 E3/2 C3/2 E3/2  G2/2 D3/2 C3/2 G2/2
     D3/2 A2/2 F2/2 A2/2  A2/2 E3/2 C3/2 E3/2
     G2/2 D3/2 E2/2 B2/2  A2/2 E3/2 E2/2 G#2/2
     A2/2 E3/2 A2/2 E3/2  E2/2 B2/2 A2/2 E3/2
     D3/2 F3/2 E2/2 G#2/2 A2/2 E3/2 A2/4
     A2/4 A2/4" \
    0.2

# A receiver is picked up: a bright rising call.
tune telibero.ogg "C5/1 E5/1 G5/1 C6/3" "C3/3 G2/3" 0.1

# Caught!: a short fanfare.
tune scoperto.ogg "G4/1 C5/1 E5/1 G5/2 E5/1 G5/4 R/1 C6/6" "C3/2 G2/2 C3/4 G2/1 C3/6" 0.12

# Time is up: a falling, sorry phrase.
tune scaduto.ogg "E5/2 D#5/2 D5/2 C#5/6" "A2/6 A2/6" 0.2

# Farewell: a gentle closing tune.
tune finale.ogg "C5/2 E5/2 G5/2 E5/2 F5/2 D5/2 B4/2 G4/2 C5/4 G4/2 E5/2 C5/8" \
    "C3/4 C3/4 F2/4 G2/4 C3/4 C3/4 C3/8" 0.15

ls -l "$OUT"/*.ogg

#!/usr/bin/env bash
# measure-aliasing.sh HSS_RENDER MUSIC_DIR OUTDIR: what Smooth Sound changes
# in the sound, measured with sox on 16-bit renders at the game's 22050 Hz.
#  1. A pure tone: a module of our own made here (one 32-byte sine cycle,
#     looped, played at C-2, 261.3 Hz): every bit of sound above 500 Hz is
#     an image or alias the mixer made, or the 8-bit sample's own rounding.
#     Its level against the whole, nearest and smooth.
#  2. Each of our tunes (60 s): the level of the whole, of the band above
#     6 kHz, where the nearest sample's images lie thickest, and a spectrogram
#     of each render into OUTDIR.
# Not a test: it prints figures.
set -euo pipefail
render=$1
music=$2
out=$3
command -v sox > /dev/null || { echo "needs sox"; exit 77; }
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rms() { # FILE [EFFECT...]: the RMS level in dB of full scale
  local file=$1
  shift
  sox "$file" -n remix - "$@" stats 2>&1 | awk '/^RMS lev dB/ { print $4 }'
}

# One sine cycle of 32 signed bytes as instrument 1, looped; one pattern with
# the note on channel 0, row 0; song of one order, played once (64 rows).
python3 - "$work/sine.mod" <<'PY'
import math, struct, sys
mod = bytearray(1084)
mod[0:4] = b"sine"
h = 20
mod[h + 22:h + 24] = struct.pack(">H", 16)  # 16 words
mod[h + 25] = 64                           # volume
mod[h + 26:h + 28] = struct.pack(">H", 0)
mod[h + 28:h + 30] = struct.pack(">H", 16)  # loop all of it
mod[950] = 1
mod[951] = 127
mod[1080:1084] = b"M.K."
pattern = bytearray(1024)
pattern[0:4] = bytes([0x01, 0xAC, 0x10, 0x00])  # period 428, instrument 1
sine = bytes((int(round(127 * math.sin(2 * math.pi * i / 32))) & 0xFF) for i in range(32))
open(sys.argv[1], "wb").write(bytes(mod) + bytes(pattern) + sine)
PY
printf 'pure tone 261.3 Hz: level above 500 Hz against the whole\n'
for mode in nearest smooth; do
  flag=(); [[ $mode == smooth ]] && flag=(--smooth)
  "$render" "${flag[@]}" --bits 16 "$work/sine.mod" "$work/sine-$mode.wav" > /dev/null
  whole=$(rms "$work/sine-$mode.wav")
  above=$(rms "$work/sine-$mode.wav" sinc -t 100 500)
  awk -v m="$mode" -v w="$whole" -v a="$above" 'BEGIN { printf "  %-8s whole %6.1f dB, above 500 Hz %6.1f dB: %6.1f dB down\n", m, w, a, w - a }'
  sox "$work/sine-$mode.wav" -n remix - spectrogram -t "pure tone, $mode" -o "$out/sine-$mode.png"
done

printf '\n%-14s %-8s %8s %12s %10s\n' tune mode whole 'above 6 kHz' 'down by'
for tune in "$music"/*; do
  name=$(basename "$tune")
  for mode in nearest smooth; do
    flag=(); [[ $mode == smooth ]] && flag=(--smooth)
    "$render" "${flag[@]}" --bits 16 --seconds 60 "$tune" "$work/t.wav" > /dev/null
    whole=$(rms "$work/t.wav")
    above=$(rms "$work/t.wav" sinc 6k)
    awk -v n="$name" -v m="$mode" -v w="$whole" -v a="$above" 'BEGIN { printf "%-14s %-8s %8.1f %12.1f %10.1f\n", n, m, w, a, w - a }'
    sox "$work/t.wav" -n remix - spectrogram -t "$name, $mode" -o "$out/${name%.*}-$mode.png"
  done
done

#!/usr/bin/env bash
# measure-against-xmp.sh HSS_RENDER MUSIC_DIR [RUNS]: the mixer's speed beside
# xmp's, both rendering the same module offline in the same run, to a WAV file
# of the same format (22050 Hz, 16 bits, stereo), looped for SECONDS (default
# 300) of sound so the time is large against the start-up. For each of our
# tunes: the median CPU time (user + system) of RUNS runs (default 5) of
#   hss-render (nearest sample, as designed) against xmp -i nearest, and
#   hss-render --smooth against xmp -i linear,
# and their ratios. Not a test: the figures depend on the machine.
set -euo pipefail
render=$1
music=$2
runs=${3:-5}
seconds=${SECONDS_OF_SOUND:-300}
command -v xmp > /dev/null || { echo "needs xmp"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpu() { # CPU seconds of one run of the command
  /usr/bin/time -f '%U %S' -o "$work/time" "$@" > /dev/null 2>&1
  awk '{ printf "%.3f\n", $1 + $2 }' "$work/time"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

printf '%-14s %9s %9s %6s   %9s %9s %6s\n' tune nearest xmp ratio smooth xmp-lin ratio
for tune in "$music"/*; do
  declare -A t=()
  for kind in hss hssSmooth xmp xmpLinear; do
    for ((i = 0; i < runs; i++)); do
      case $kind in
        hss) cpu "$render" --bits 16 --loop --seconds "$seconds" "$tune" "$work/h.wav" ;;
        hssSmooth) cpu "$render" --smooth --bits 16 --loop --seconds "$seconds" "$tune" "$work/h.wav" ;;
        xmp) cpu xmp -q --norc -l -t "$seconds" -i nearest -f 22050 -b 16 -o "$work/x.wav" "$tune" ;;
        xmpLinear) cpu xmp -q --norc -l -t "$seconds" -i linear -f 22050 -b 16 -o "$work/x.wav" "$tune" ;;
      esac
    done > "$work/$kind"
    t[$kind]=$(median < "$work/$kind")
  done
  printf '%-14s %9s %9s %6s   %9s %9s %6s\n' "$(basename "$tune")" "${t[hss]}" "${t[xmp]}" \
    "$(ratio "${t[hss]}" "${t[xmp]}")" "${t[hssSmooth]}" "${t[xmpLinear]}" "$(ratio "${t[hssSmooth]}" "${t[xmpLinear]}")"
done

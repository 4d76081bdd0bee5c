#!/usr/bin/env bash
# Makes a corpus of test sounds from real tools (espeak-ng speech, sox-made
# music, noise, tones and drums at several rates), packs each with the three
# encoders and prints their signal-to-noise ratios as a Markdown table, then the
# speed and peak memory of each encoder on the longest source a file can hold.
#
#   scripts/snr-corpus.sh [path/to/corvane-cli]   (default build/t-trellis/src/cli/corvane-cli)
#
# Everything it makes goes to build/snr-corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=$(realpath "${1:-build/t-trellis/src/cli/corvane-cli}")
out=build/snr-corpus
rm -rf "$out"
mkdir -p "$out"
cd "$out"

bash "$OLDPWD/scripts/make-corpus.sh" .
make() { sox -R -q -n -r "$1" -b 16 -c 1 "$2.wav" "${@:3}"; }  # 16-bit mono: RATE NAME EFFECTS...
snr() { "$cli" snr "$1" --encoder="$2" | sed -e 's/^SNR: //' -e 's/ dB$//'; }

echo "| Source | Rate (Hz) | Samples | Greedy (dB) | Trellis (dB) | Optimal (dB) | Trellis gain | Optimal gain |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|"
sum_t=0 sum_o=0 count=0
for f in *.wav; do
  rate=$(soxi -r "$f")
  samples=$(soxi -s "$f")
  g=$(snr "$f" greedy)
  t=$(snr "$f" trellis)
  o=$(snr "$f" optimal)
  gt=$(echo "$t - $g" | bc -l)
  go=$(echo "$o - $g" | bc -l)
  sum_t=$(echo "$sum_t + $gt" | bc -l)
  sum_o=$(echo "$sum_o + $go" | bc -l)
  count=$((count + 1))
  printf '| %s | %s | %s | %s | %s | %s | %+.2f | %+.2f |\n' "${f%.wav}" "$rate" "$samples" "$g" "$t" "$o" "$gt" "$go"
done
printf '| **mean gain** | | | | | | **%+.2f** | **%+.2f** |\n' \
  "$(echo "$sum_t / $count" | bc -l)" "$(echo "$sum_o / $count" | bc -l)"

# Speed and memory: 10 s of music at 22 050 Hz, and the longest storable source
# (262 145 samples: 65 535 data bytes). Wall time of the whole command, the
# processor time of its threads together, and peak resident memory, as
# /usr/bin/time reports them.
echo
for f in ten-seconds longest; do
  make 22050 "$f-full" synth 12 pluck 220 pluck 330 sine 110 pinknoise remix - gain -n -3 tremolo 3 40
done
sox -R -q ten-seconds-full.wav ten-seconds.wav trim 0 220500s
sox -R -q longest-full.wav longest.wav trim 0 262145s
rm -f ./*-full.wav
echo "| Encoder | Source | Samples | Wall time (s) | CPU time (s) | Samples/s (wall) | Peak memory (MB) |"
echo "|---|---|---:|---:|---:|---:|---:|"
for f in ten-seconds.wav longest.wav; do
  samples=$(soxi -s "$f")
  for e in greedy trellis optimal; do
    start=$(date +%s.%N)
    /usr/bin/time -f '%M %U %S' -o usage.txt "$cli" pack "$f" --encoder="$e" -o "$f.$e.C"
    seconds=$(echo "$(date +%s.%N) - $start" | bc -l)
    read -r kb user system <usage.txt
    printf '| %s | %s | %s | %.2f | %.2f | %.0f | %.1f |\n' "$e" "${f%.wav}" "$samples" \
      "$seconds" "$(echo "$user + $system" | bc -l)" "$(echo "$samples / $seconds" | bc -l)" \
      "$(echo "$kb / 1024" | bc -l)"
  done
done

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

# 16-bit mono WAV at rate $1 from sox's generators: make RATE NAME SOX-EFFECTS...
make() {
  local rate=$1 name=$2
  shift 2
  sox -R -q -n -r "$rate" -b 16 -c 1 "$name.wav" "$@"
}

# Speech: two voices, resampled to each rate.
espeak-ng -v en -s 150 -w speech-en.raw.wav \
  "The quick brown fox jumps over the lazy dog. Packing sound into two bits a sample is an old trick, and it still works."
espeak-ng -v de -p 70 -s 170 -w speech-de.raw.wav \
  "Zwei Bits pro Abtastwert genügen, wenn der Kodierer weiß, was der Dekodierer tun wird."
sox -R -q speech-en.raw.wav -r 8000 -b 16 speech-en-8000.wav
sox -R -q speech-en.raw.wav -r 22050 -b 16 speech-en-22050.wav
sox -R -q speech-de.raw.wav -r 11025 -b 16 speech-de-11025.wav
sox -R -q speech-de.raw.wav -r 44100 -b 16 speech-de-44100.wav

# Music-like: a plucked chord progression with a bass line, and a pad.
for rate in 11025 22050; do
  notes=()
  for chord in "220 277.18 329.63" "196 246.94 293.66" "174.61 220 261.63" "164.81 207.65 246.94"; do
    read -r a b c <<<"$chord"
    make "$rate" "note-$a" synth 1.5 pluck "$a" pluck "$b" pluck "$c" sine "$(echo "$a / 2" | bc -l)" \
      remix - gain -n -3 fade q 0.01 1.5 0.3
    notes+=("note-$a.wav")
  done
  sox -R -q "${notes[@]}" "${notes[@]}" "music-chords-$rate.wav"
  rm -f note-*.wav
done
make 44100 music-pad synth 6 sawtooth 110 sawtooth 110.7 sine 220 sine 330 remix - \
  lowpass 2000 tremolo 4 30 gain -n -3 fade q 0.5 6 1

# Noise: white and pink.
make 22050 noise-white synth 5 whitenoise gain -n -6
make 8000 noise-pink synth 5 pinknoise gain -n -3

# Tones: a sine, a square and a sweep.
make 22050 tone-sine synth 5 sine 440 gain -n -1
make 11025 tone-square synth 5 square 110 gain -n -6
make 44100 tone-sweep synth 5 sine 50-8000 gain -n -2

# Drums: kick, snare and hat in a bar, repeated.
for rate in 11025 22050; do
  make "$rate" kick synth 0.25 sine 150-40 fade q 0.002 0.25 0.2 gain -n -1
  make "$rate" snare synth 0.25 noise lowpass 5000 fade q 0.001 0.25 0.22 gain -n -3
  make "$rate" hat synth 0.25 noise highpass 7000 fade q 0.001 0.08 0.07 gain -n -8
  sox -R -q kick.wav hat.wav snare.wav hat.wav kick.wav kick.wav snare.wav hat.wav bar.wav
  sox -R -q bar.wav "drums-$rate.wav" repeat 2
  rm -f kick.wav snare.wav hat.wav bar.wav
done

rm -f ./*.raw.wav
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

#!/usr/bin/env bash
# Writes the corpus of test sounds into the folder DIR (made if needed), from real tools:
# espeak-ng speech, sox-made music, noise, tones and drums at several rates, all 16-bit mono.
# scripts/snr-corpus.sh packs them; scripts/bench-resample.sh converts them to the card's rates.
#
#   scripts/make-corpus.sh DIR
set -euo pipefail
mkdir -p "$1"
cd "$1"

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

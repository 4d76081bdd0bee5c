#!/usr/bin/env bash
# How long `corvane-cli bank` takes to pack a full 466k kit with each coder: about 25 s of
# speech (espeak-ng), drums, pads and bass (sox) at note 60, the median of five runs. Writes to
# build/bench-kit.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build build/native -j "${JOBS:-2}" --target corvane-cli >/dev/null
cli=$PWD/build/native/src/cli/corvane-cli
work=build/bench-kit
rm -rf "$work" && mkdir -p "$work" && cd "$work"
espeak-ng -s 160 -w speech1.wav "Press fire to start. Level one. Get ready, player one."
espeak-ng -s 160 -w speech2.wav "Level complete. Bonus points. Extra life. Game over."
espeak-ng -s 160 -w speech3.wav "Warning. Shields low. Enemy approaching from the left."
sox -n -r 44100 -c 2 -b 16 kick.wav synth 0.4 sine 120:40 fade 0 0.4 0.35
sox -n -r 44100 -c 2 -b 16 snare.wav synth 0.3 noise band 1500 800 fade 0 0.3 0.28
sox -n -r 44100 -c 2 -b 16 hat.wav synth 0.12 noise highpass 7000 fade 0 0.12 0.1
sox -n -r 44100 -c 2 -b 16 crash.wav synth 1.5 noise highpass 4000 fade 0 1.5 1.4
sox -n -r 44100 -c 2 -b 16 pad1.wav synth 3.5 sawtooth 110 sawtooth 165 sawtooth 220 vol 0.3 lowpass 2000 fade 0.2 3.5 0.5
sox -n -r 44100 -c 2 -b 16 pad2.wav synth 3.5 square 147 sawtooth 220 vol 0.4 lowpass 1500 fade 0.2 3.5 0.5
sox -n -r 48000 -c 1 -b 16 bass.wav synth 2 square 55 vol 0.5 lowpass 600 fade 0 2 0.3
sox -n -r 22050 -c 1 -b 16 lead.wav synth 3 sawtooth 440 vol 0.5 lowpass 3000 tremolo 6 40 fade 0 3 0.5
ls ./*.wav >kit.txt
seconds=$(for f in ./*.wav; do soxi -D "$f"; done | awk '{ s += $1 } END { printf "%.1f", s }')
echo "kit: $(wc -l <kit.txt) samples, $seconds s of sound, $(nproc) cores"
for coder in greedy trellis optimal; do
  times=()
  for run in 1 2 3 4 5; do
    start=$(date +%s.%N)
    "$cli" bank --list kit.txt --card=466k --rate=note:60 --encoder=$coder -o "KIT_$coder" >report.txt
    times+=("$(echo "$(date +%s.%N) - $start" | bc)")
  done
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
  printf '%-8s %.2f s   %s\n' "$coder" "$median" "$(grep -E '^Card memory' report.txt)"
done

#!/usr/bin/env bash
# The bank loader's cost: full 112k kits of speech (espeak-ng), drums and a pad (sox), made into
# banks by corvane-cli with each coder, then loaded by the emulated 128K beside a card at its
# firmware's pace (build/native/bench/corvane_loader_bench). Writes to build/bench-loader.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build build/native -j "${JOBS:-2}" --target corvane-cli corvane_loader_bench >/dev/null
cli=$PWD/build/native/src/cli/corvane-cli bench=$PWD/build/native/bench/corvane_loader_bench
work=build/bench-loader
rm -rf "$work" && mkdir -p "$work" && cd "$work"
espeak-ng -s 200 -w speech1.wav "Press fire to start."
espeak-ng -s 200 -w speech2.wav "Level complete. Get ready."
sox -n -r 44100 -c 2 -b 16 kick.wav synth 0.4 sine 120:40 fade 0 0.4 0.35
sox -n -r 44100 -c 2 -b 16 snare.wav synth 0.3 noise band 1500 800 fade 0 0.3 0.28
sox -n -r 44100 -c 2 -b 16 hat.wav synth 0.12 noise highpass 7000 fade 0 0.12 0.1
sox -n -r 44100 -c 2 -b 16 pad.wav synth 4.5 sawtooth 110 sawtooth 165 sawtooth 220 lowpass 2000 fade 0.2 4.5 0.5
sox -n -r 44100 -c 1 -b 16 bass.wav synth 1.2 square 55 lowpass 600 fade 0 1.2 0.3
# About as much as the 112k card takes: speech and drums at note 60, the pad and the bass an
# octave lower.
cat >kit.txt <<'LIST'
speech1.wav --rate=note:60
speech2.wav --rate=note:60
kick.wav --rate=note:60
snare.wav --rate=note:60
hat.wav --rate=note:60
pad.wav --rate=note:48 --loop=cut
bass.wav --rate=note:48
LIST
for coder in greedy trellis optimal; do
  "$cli" bank --list kit.txt -o "KIT_$coder" --encoder=$coder | grep -E "^Card memory|^Load"
  "$bench" "KIT_$coder"
done

#!/usr/bin/env bash
# Resampling, Corvane beside sox, in one run (RUNS=5 by default):
#  - speed: 10 s and 300 s of 44 100 Hz 16-bit stereo (a tone and pink noise) made into 8-bit
#    mono at 16 725 Hz (the card's note 60 on ROM 1.04: 9 600 000 / 574) by `corvane-cli convert`
#    and by sox's `rate -v` and `rate`, whole processes, the file in the page cache, medians;
#  - quality: the corpus of scripts/make-corpus.sh less its two steady tones (12 sources: speech,
#    music, noise, drums, a chirp), each converted to 16 725 Hz, 8 363 Hz (note 48) and
#    11 025 Hz (a source already at the rate left out: 33 conversions). Against sox's `rate -v`
#    of the same source as 32-bit floats, the SNR of Corvane's 8-bit sample, of sox's default
#    `rate` made 8-bit, and of the reference merely rounded to 8 bits (the ceiling), each row
#    and their medians, with the gap from Corvane to the ceiling (median and worst);
#  - tones: the level of a tone at 90 % and 95 % of the new Nyquist rate after conversion, and
#    of tones above it (what is left of them, where they would fold to).
# Everything it makes goes to build/bench-resample (the build) and build/bench-resample/work.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BENCH_BUILD_DIR:-build/bench-resample}
runs=${RUNS:-5}
work="$build/work"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_BENCH=ON \
  -DCORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target corvane_resample_snr corvane-cli >/dev/null
cli="$build/src/cli/corvane-cli"
snr_tool="$build/bench/corvane_resample_snr"
rm -rf "$work"
mkdir -p "$work"

# Median of $runs runs of "$@": wall time and processor time (user + system), in ms.
median_ms() {
  local walls=() cpus=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f '%U %S' -o "$work/usage.txt" "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    walls+=($(((end - start) / 1000000)))
    cpus+=("$(awk '{ printf "%d", ($1 + $2) * 1000 }' "$work/usage.txt")")
  done
  local middle=$(((runs + 1) / 2))
  echo "$(printf '%s\n' "${walls[@]}" | sort -n | sed -n "${middle}p")" \
    "$(printf '%s\n' "${cpus[@]}" | sort -n | sed -n "${middle}p")"
}

echo "Speed: 44 100 Hz 16-bit stereo to 16 725 Hz 8-bit mono, medians of $runs runs (ms)"
echo "| Source | Corvane wall | CPU | sox rate -v wall | CPU | sox rate wall | CPU | Corvane / rate -v (wall) |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|"
for seconds in 10 300; do
  in="$work/stereo-$seconds.wav"
  # A tone on the left, pink noise on the right; -R keeps the noise the same every time.
  sox -R -n -r 44100 -b 16 -c 2 "$in" synth "$seconds" sine 440 pinknoise gain -n -3
  cat "$in" >/dev/null
  read -r cw cc < <(median_ms "$cli" convert "$in" -o "$work/corvane.wav" --rate=note:60)
  read -r vw vc < <(median_ms sox "$in" -b 8 -c 1 -D "$work/sox.wav" rate -v 16725)
  read -r dw dc < <(median_ms sox "$in" -b 8 -c 1 -D "$work/sox.wav" rate 16725)
  printf '| %s s | %s | %s | %s | %s | %s | %s | %.2f |\n' "$seconds" "$cw" "$cc" "$vw" "$vc" \
    "$dw" "$dc" "$(echo "$cw / $vw" | bc -l)"
  rm -f "$in"
done

echo
echo "Quality: SNR against sox's rate -v of the same source (dB)"
bash scripts/make-corpus.sh "$work/corpus" >/dev/null
echo "| Source | To (Hz) | Corvane | sox rate | rate -v rounded to 8 bits | Gap |"
echo "|---|---:|---:|---:|---:|---:|"
: >"$work/snr.txt"
for f in "$work"/corpus/*.wav; do
  name=$(basename "$f" .wav)
  case $name in tone-sine | tone-square) continue ;; esac
  for rate in 16725 8363 11025; do
    [ "$(soxi -r "$f")" = "$rate" ] && continue
    sox -R "$f" -t f32 -c 1 "$work/reference.f32" rate -v "$rate"
    sox -R "$f" -b 8 -c 1 -D "$work/other.wav" rate "$rate"
    # "corvane 40.10 dB, other 40.70 dB, reference rounded to 8 bits 40.80 dB"
    read -r _ c _ _ o _ _ _ _ _ _ r _ < <("$snr_tool" "$f" "$rate" "$work/reference.f32" "$work/other.wav")
    gap=$(echo "$r - $c" | bc -l)
    echo "$c $o $r $gap" >>"$work/snr.txt"
    printf '| %s | %s | %s | %s | %s | %.2f |\n' "$name" "$rate" "$c" "$o" "$r" "$gap"
  done
done
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
printf '| **median of %d** | | **%.2f** | **%.2f** | **%.2f** | **%.2f** |\n' "$(wc -l <"$work/snr.txt")" \
  "$(cut -d' ' -f1 "$work/snr.txt" | median)" "$(cut -d' ' -f2 "$work/snr.txt" | median)" \
  "$(cut -d' ' -f3 "$work/snr.txt" | median)" "$(cut -d' ' -f4 "$work/snr.txt" | median)"
printf 'Worst gap from Corvane to the ceiling: %.2f dB\n' "$(cut -d' ' -f4 "$work/snr.txt" | sort -n | tail -1)"

echo
echo "Tones from 44 100 Hz: level after conversion against before"
for rate in 16725 8363; do
  for share in 0.90 0.95 1.05 1.2 1.6; do
    "$snr_tool" --tone "$(echo "$rate / 2 * $share" | bc -l)" "$rate" | sed "s/^/$share of Nyquist: /"
  done
done

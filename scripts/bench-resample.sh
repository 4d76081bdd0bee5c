#!/usr/bin/env bash
# Resampling, Corvane beside sox, in one run:
#  - speed: 10 s of 44 100 Hz 16-bit stereo to 16 725 Hz (the card's note 60: 9 600 000 / 574),
#    Corvane's Google Benchmark case (in-process, medians of 5) on the same file as sox's `rate`
#    (default quality) and `rate -v` make 8-bit mono from (whole processes, median of RUNS runs);
#  - quality: the SNR of Corvane's 8-bit sample against sox's `rate -v` of the same source (mono,
#    32-bit float) for espeak-ng speech, a sox-made drum bar and `corvane-cli demo`, at 16 725 Hz
#    and 8 363 Hz (note 48); then against `rate -v -b 90`, which keeps the same 90 % of the band
#    as Corvane's filter (`rate -v` keeps 95 %); and that of sox's reference merely rounded to
#    8 bits, the most an 8-bit sample can reach.
# Everything it makes goes to build/bench-resample (the build) and build/bench-resample/work.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BENCH_BUILD_DIR:-build/bench-resample}
runs=${RUNS:-5}
work="$build/work"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_BENCH=ON \
  -DCORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target corvane_bench corvane_resample_snr corvane-cli >/dev/null
mkdir -p "$work"
in="$work/ten_seconds.wav"
# A tone on the left, pink noise on the right; -R keeps the noise the same every time.
sox -R -n -r 44100 -b 16 -c 2 "$in" synth 10 sine 440 pinknoise gain -n -3
cat "$in" >/dev/null  # in the page cache for every contender alike

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

echo "Speed: $(soxi -D "$in") s of 44 100 Hz 16-bit stereo to 16 725 Hz, 8-bit mono"
CORVANE_RESAMPLE_WAV=$in "$build/bench/corvane_bench" --benchmark_filter=Resample \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null |
  awk '/_median/ { printf "%-58s %8.0f ms wall %8.0f ms CPU\n", "corvane ResampleToEightBitMono (in-process, median of 5)", $2, $4 }'
for rate in "rate" "rate -v"; do
  read -r wall cpu < <(median_ms sox "$in" -b 8 -c 1 -D "$work/sox.wav" $rate 16725)
  printf '%-58s %8s ms wall %8s ms CPU\n' "sox in.wav -b 8 -c 1 -D out.wav $rate 16725 (process)" "$wall" "$cpu"
done

echo
echo "Quality: SNR against sox's rate -v of the same source"
espeak-ng -v en -s 150 -w "$work/speech.wav" \
  "The quick brown fox jumps over the lazy dog. Packing sound into two bits a sample is an old trick."
drum() { sox -R -q -n -r 44100 -b 16 -c 1 "$work/$1.wav" synth 0.25 "${@:2}"; }
drum kick sine 150-40 fade q 0.002 0.25 0.2 gain -n -1
drum snare noise lowpass 5000 fade q 0.001 0.25 0.22 gain -n -3
drum hat noise gain -6 highpass 7000 fade q 0.001 0.08 0.07 gain -n -8
sox -R -q "$work"/{kick,hat,snare,hat,kick,kick,snare,hat}.wav "$work/drums.wav"
"$build/src/cli/corvane-cli" demo -o "$work/demo.wav" >/dev/null
echo "| Source | Format | To (Hz) | Corvane vs rate -v (dB) | vs rate -v -b 90 (dB) | rate -v rounded to 8 bits (dB) |"
echo "|---|---|---:|---:|---:|---:|"
for name in speech drums demo; do
  f="$work/$name.wav"
  for rate in 16725 8363; do
    snr=()
    for band in 95 90; do
      sox -R "$f" -t f32 -c 1 "$work/reference.f32" rate -v -b "$band" "$rate"
      snr+=($("$build/bench/corvane_resample_snr" "$f" "$rate" "$work/reference.f32"))
    done
    # "corvane 30.16 dB, reference rounded to 8 bits 33.87 dB", twice
    printf '| %s | %s Hz, %s-bit, %s ch | %s | %s | %s | %s |\n' "$name" "$(soxi -r "$f")" \
      "$(soxi -b "$f")" "$(soxi -c "$f")" "$rate" "${snr[1]}" "${snr[11]}" "${snr[8]}"
  done
done

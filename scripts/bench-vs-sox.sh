#!/usr/bin/env bash
# Times Corvane's whole chain (read, load, normalise, analyse, pack, write) on a
# five-minute 44 100 Hz 16-bit stereo WAV beside sox converting the same file
# to 8-bit unsigned mono and to IMA ADPCM; prints the median wall times of
# RUNS runs each and the ratios, then the in-process stage benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BENCH_BUILD_DIR:-build/bench}
runs=${RUNS:-5}
work="$build/vs-sox"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_BENCH=ON \
  -DCORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target corvane_chain corvane_bench >/dev/null
mkdir -p "$work"
in="$work/five_minutes.wav"
# A tone on the left, pink noise on the right; -R keeps the noise the same every time.
[ -f "$in" ] || sox -R -n -r 44100 -b 16 -c 2 "$in" synth 300 sine 440 pinknoise
cat "$in" >/dev/null  # in the page cache for every contender alike

# Median wall time in milliseconds of running "$@" $runs times.
median_ms() {
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

chain=$(median_ms "$build/bench/corvane_chain" "$in" "$work/out.C")
sox8=$(median_ms sox "$in" -b 8 -e unsigned-integer -c 1 "$work/out8.wav")
ima=$(median_ms sox "$in" -e ima-adpcm "$work/out_ima.wav")

echo "input: $(stat -c %s "$in") bytes, 300 s of 44 100 Hz 16-bit stereo; median of $runs runs"
printf '%-52s %8s ms\n' "corvane_chain (read, load, analyse, pack, write)" "$chain" \
  "sox -b 8 -e unsigned-integer -c 1" "$sox8" "sox -e ima-adpcm" "$ima"
awk -v c="$chain" -v s="$sox8" -v i="$ima" 'BEGIN {
  printf "sox 8-bit / corvane: %.2f    sox IMA ADPCM / corvane: %.2f\n", s / c, i / c }'

echo
"$build/bench/corvane_bench" --benchmark_filter='Normalise|Analyse|Encode|Decode|WholeChain|Memcpy' \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null | grep -E 'Benchmark|---|_median'

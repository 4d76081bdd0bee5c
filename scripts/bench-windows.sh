#!/usr/bin/env bash
# Times `corvane-cli pack --encoder=trellis` and `--encoder=optimal` on 10 s of
# 22 050 Hz speech (espeak-ng, then sox), natively and as the Windows build
# under Wine, the two in alternation, and prints the medians of RUNS runs as a
# Markdown table: wall time and processor time (user + system) of the whole
# command, nothing subtracted (under Wine, the program's own process; the Wine
# server's time is not in it). `info` on the same file stands for start-up
# (process, Wine, reading the file) without a coder.
#
#   scripts/bench-windows.sh          (RUNS=7 by default)
#
# Both programs are Release builds, in build/bench-native and build/bench-windows;
# the sound and the packed files go to build/bench-windows/work.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-7}
native=build/bench-native
windows=build/bench-windows
work=$windows/work

cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$native" -j "${JOBS:-2}" --target corvane-cli >/dev/null
cmake -S . -B "$windows" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$windows" -j "${JOBS:-2}" --target corvane-cli >/dev/null

mkdir -p "$work"
speech=$work/speech.wav
if [ ! -f "$speech" ]; then
  espeak-ng -v en -s 150 -w "$work/speech.raw.wav" \
    "Corvane packs sound for the General Sound card, two bits a sample. The trellis finds the best
     codes for a step table, and the search finds a better table for the sound. Speech like this,
     with its pauses, hisses and voiced sounds, is a fair test of both. This sentence goes on a
     little longer, so that the recording lasts well over ten seconds before it is cut."
  sox -R -q "$work/speech.raw.wav" -r 22050 -b 16 -c 1 "$speech" trim 0 220500s
  rm -f "$work/speech.raw.wav"
fi
[ "$(soxi -s "$speech")" = 220500 ] || { echo "speech source is not 220500 samples" >&2; exit 1; }

# Wine's server stays up between runs, as it does while someone works in Wine:
# once the prefix is made and its first server has gone, a persistent one.
export CORVANE_WINEPREFIX=$PWD/$windows/wineprefix
scripts/wine-run.sh "$windows/src/cli/corvane-cli.exe" info "$speech" >/dev/null
export WINEPREFIX=$CORVANE_WINEPREFIX
wineserver -w
wineserver -p
trap 'wineserver -k || true' EXIT

cli_native=$native/src/cli/corvane-cli
cli_windows=(scripts/wine-run.sh "$windows/src/cli/corvane-cli.exe")
# Appends "wall cpu" of one run of "$@" to the file $1.
timed() {
  local log=$1
  shift
  /usr/bin/time -f '%e %U %S' -o "$work/time.txt" "$@" >/dev/null
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$work/time.txt" >>"$log"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

rm -f "$work"/*.log
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for _ in $(seq "$runs"); do
  for coder in trellis optimal; do
    timed "$work/native-$coder.log" "$cli_native" pack "$speech" --encoder="$coder" \
      -o "$work/native-$coder.C"
    timed "$work/windows-$coder.log" "${cli_windows[@]}" pack "$speech" --encoder="$coder" \
      -o "$work/windows-$coder.C"
  done
  timed "$work/native-info.log" "$cli_native" info "$speech"
  timed "$work/windows-info.log" "${cli_windows[@]}" info "$speech"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

echo "10 s of 22 050 Hz speech (220 500 samples); median of $runs runs each, the two builds in"
echo "alternation; load average $load_before before, $load_after after; $(nproc) cores,"
echo "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo
echo "| Command | Native wall (s) | Native CPU (s) | Windows under Wine wall (s) | Windows CPU (s) | Wall ratio |"
echo "|---|---:|---:|---:|---:|---:|"
declare -A native_wall windows_wall
for what in trellis optimal info; do
  native_wall[$what]=$(cut -d' ' -f1 "$work/native-$what.log" | median)
  windows_wall[$what]=$(cut -d' ' -f1 "$work/windows-$what.log" | median)
  case $what in
    info) label='`info` (start-up, no coder)' ;;
    *) label="\`pack --encoder=$what\`" ;;
  esac
  printf '| %s | %.2f | %.2f | %.2f | %.2f | %s |\n' "$label" "${native_wall[$what]}" \
    "$(cut -d' ' -f2 "$work/native-$what.log" | median)" "${windows_wall[$what]}" \
    "$(cut -d' ' -f2 "$work/windows-$what.log" | median)" \
    "$(awk -v w="${windows_wall[$what]}" -v n="${native_wall[$what]}" \
      'BEGIN { if (n >= 0.005) printf "%.2f", w / n; else print "–" }')"
done
echo
# Start-up apart, as a second reading; the table above subtracts nothing.
awk -v ni="${native_wall[info]}" -v wi="${windows_wall[info]}" \
  -v nt="${native_wall[trellis]}" -v wt="${windows_wall[trellis]}" \
  -v no="${native_wall[optimal]}" -v wo="${windows_wall[optimal]}" 'BEGIN {
  s = wi - ni
  printf "Wine start-up (the `info` rows apart): %.2f s. Less that, under Wine: trellis %.2f s\n", s, wt - s
  printf "(ratio %.2f), optimal %.2f s (ratio %.2f).\n", (wt - s) / nt, wo - s, (wo - s) / no
}'
echo
for coder in trellis optimal; do
  if cmp -s "$work/native-$coder.C" "$work/windows-$coder.C"; then
    echo "$coder: the two builds' files are byte-identical"
  else
    echo "$coder: the two builds' files DIFFER"
  fi
done

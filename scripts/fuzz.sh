#!/usr/bin/env bash
# Fuzzes the whole load -> analyse -> pack -> unpack chain and the packed-file
# reader for a bounded time (FUZZ_SECONDS, default 90) with ASan and UBSan, starting from the
# test inputs (tests/data/inputs: WAV files of every layout, packed files).
# Fails on the first crash or broken invariant; the input is kept in
# $build/artifacts for a regression test. Arguments are passed on to libFuzzer (-jobs=N ...).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${FUZZ_BUILD_DIR:-build/fuzz}
seconds=${FUZZ_SECONDS:-90}

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORVANE_BUILD_FUZZ=ON -DCORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target corvane_fuzz

mkdir -p "$build/corpus" "$build/artifacts"
"$build/fuzz/corvane_fuzz" "$build/corpus" tests/data/inputs \
  -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$build/artifacts/" -print_final_stats=1 "$@"

#!/usr/bin/env bash
# Builds Corvane natively, under sanitizers and for Windows, and runs every test
# suite (the Windows ones under Wine on a virtual display).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}

if [ -z "${DISPLAY:-}" ]; then
  Xvfb :97 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=:97
fi

# Windows first: the native suites also run the command-line tests against corvane-cli.exe.
for preset in windows native asan; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" -j "$jobs"
  echo "== $preset tests"
  ctest --test-dir "build/$preset" --output-on-failure -j 1
done

echo "== release zip (unpacked and run under Wine)"
bash scripts/check-package.sh

echo "== fuzz (bounded run of the load -> pack chain)"
bash scripts/fuzz.sh

#!/usr/bin/env bash
# Builds Corvane and starts it: first a look at a demo sample through corvane-cli, then the
# window, corvane.exe, cross-built for Windows and run under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build build/native -j "$(nproc)" --target corvane-cli
build/native/src/cli/corvane-cli demo -o build/demo.wav
build/native/src/cli/corvane-cli info build/demo.wav

cmake --preset windows >/dev/null
cmake --build build/windows -j "$(nproc)" --target corvane
if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: built build/windows/src/app/corvane.exe; set DISPLAY to an X display to see its window" >&2
  exit 0
fi
# A prefix of its own, left to the desktop's window manager (the test prefixes are not).
export CORVANE_WINEPREFIX=$PWD/build/windows/run-prefix
scripts/wine-run.sh reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f >/dev/null
echo "Starting Corvane: choose build/demo.wav (drive Z: is /) with \"Open WAV Files\"."
exec scripts/wine-run.sh build/windows/src/app/corvane.exe

#!/usr/bin/env bash
# Builds Corvane and shows it working on a demo sample the project makes itself.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build build/native -j "$(nproc)" --target corvane-cli
build/native/src/cli/corvane-cli demo -o build/demo.wav
build/native/src/cli/corvane-cli info build/demo.wav

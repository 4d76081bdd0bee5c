#!/usr/bin/env bash
# Builds the Windows release from a checkout: build/windows/corvane-<version>-win64.zip, holding
# corvane.exe, corvane-cli.exe and ReadMe.txt (scripts/install-deps.sh installs the tools).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build build/windows -j "${JOBS:-$(nproc)}" --target package

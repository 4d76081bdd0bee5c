#!/usr/bin/env bash
# Installs what building and testing Corvane needs on Debian 12 (run as root).
set -euo pipefail
packages=(
  cmake g++ make git ca-certificates
  libgtest-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64-posix
  wine wine64 xvfb xauth x11-utils python3 python3-pefile
  pasmo libz80ex-dev sox espeak-ng ffmpeg clang libclang-rt-14-dev xxd
  bc time jq
  imagemagick fonts-dejavu-core
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi

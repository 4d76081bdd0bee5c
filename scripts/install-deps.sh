#!/usr/bin/env bash
# Installs what building and testing Corvane needs on Debian 12 (run as root), and fetches the
# source of the libraries the Windows build compiles itself (into build/deps, which git ignores).
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(
  cmake g++ make git ca-certificates
  libgtest-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64-posix
  wine wine64 xvfb xauth x11-utils python3 python3-pefile
  pasmo z80asm libz80ex-dev fuse-emulator-utils sox espeak-ng ffmpeg clang libclang-rt-14-dev xxd
  bc time jq
  libcli11-dev nlohmann-json3-dev
  libsoxr-dev dpkg-dev
  libsndfile1-dev
  imagemagick fonts-dejavu-core fonts-symbola
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
# Both builds compile libsoxr from Debian's source package: apt-get source needs a deb-src entry,
# added once beside the machine's own entries.
src_list=/etc/apt/sources.list.d/corvane-deb-src.sources
need_update=
if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  cat >"$src_list" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  need_update=1
fi
if [ ${#missing[@]} -gt 0 ] || [ -n "$need_update" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
  apt-get install -y -q "${missing[@]}"
fi

# The version of Debian's libsoxr-dev, unpacked (Debian's patches applied) into build/deps/libsoxr,
# which every preset builds statically without its processor-specific code (cmake/Soxr.cmake).
version=$(dpkg-query -W -f='${source:Version}' libsoxr-dev)
deps=build/deps
if [ "$(cat "$deps/libsoxr.version" 2>/dev/null)" != "$version" ]; then
  rm -rf "$deps/libsoxr" "$deps/fetch"
  mkdir -p "$deps/fetch"
  fetch() { (cd "$deps/fetch" && apt-get source -q "libsoxr=$version"); }
  fetch || { apt-get update -q && fetch; }  # package lists gone or older than the entry
  mv "$deps/fetch"/libsoxr-*/ "$deps/libsoxr"
  rm -rf "$deps/fetch"
  echo "$version" >"$deps/libsoxr.version"
fi

#!/usr/bin/env bash
# Checks the Windows release zip as a user gets it: builds it, unpacks it into an empty folder
# outside the build tree and runs the programs from there under Wine, in a prefix of its own.
# corvane-cli.exe must print the project's version and pack a sample byte for byte as the
# native corvane-cli does; corvane.exe must show its window with Corvane's icon and exit with 0
# when closed. Both programs must import only system DLLs and carry the project's version
# resource. Needs an X display (scripts/test.sh starts one) and the native and Windows tools
# scripts/install-deps.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
: "${DISPLAY:?check-package.sh needs an X display, e.g. Xvfb (scripts/test.sh starts one)}"
jobs=${JOBS:-$(nproc)}

cmake --preset windows >/dev/null
cmake --build build/windows -j "$jobs" --target package >/dev/null
cmake --preset native >/dev/null
cmake --build build/native -j "$jobs" --target corvane-cli >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
zip=$root/build/windows/corvane-$version-win64.zip
native=$root/build/native/src/cli/corvane-cli
export CORVANE_WINEPREFIX=$root/build/windows/package-prefix
win() { "$root/scripts/wine-run.sh" "$@" | tr -d '\r'; }
fail() {
  echo "check-package: $*" >&2
  exit 1
}

work=$(mktemp -d)
app=
trap '[ -z "$app" ] || kill "$app" 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"
mkdir unpacked
(cd unpacked && cmake -E tar xf "$zip")
listing=$(cd unpacked && find . -type f -printf '%P\n' | LC_ALL=C sort | xargs)
expected="ReadMe.txt corvane-cli.exe corvane.exe"
[ -f "$root/LICENSE" ] && expected="LICENSE.txt $expected"
echo "$(basename "$zip"): $listing"
[ "$listing" = "$expected" ] || fail "the zip holds '$listing', not '$expected'"
for text in "Corvane $version for Windows" "corvane-cli pack FILE.wav" "Packed file format"; do
  grep -qF "$text" unpacked/ReadMe.txt || fail "ReadMe.txt lacks '$text'"
done
python3 - unpacked/ReadMe.txt <<'EOF2' || fail "ReadMe.txt has lines over 78 characters"
import sys
lines = open(sys.argv[1], encoding="utf-8-sig", newline="").read().split("\r\n")
sys.exit(any(len(line) > 78 for line in lines))
EOF2

# The command line: version, and packed files identical to the native program's.
out=$(win unpacked/corvane-cli.exe --version)
echo "corvane-cli.exe --version: $out"
[ "$out" = "corvane-cli $version" ] || fail "corvane-cli.exe --version printed '$out'"
"$native" demo -o demo.wav >/dev/null
sox -R -n -r 11025 -b 8 -c 1 pluck.wav synth 2 pluck 220 pluck 330 fade q 0.01 2 1
for sample in demo pluck; do
  "$native" pack "$sample.wav" -o "$sample.native.C"
  win unpacked/corvane-cli.exe pack "$sample.wav" -o "$sample.windows.C"
  cmp "$sample.native.C" "$sample.windows.C" || fail "$sample.wav packs differently on Windows"
  echo "corvane-cli.exe pack $sample.wav: $(stat -c %s "$sample.windows.C") bytes, as the native corvane-cli's"
done

# The window: shown, with the icon of res/corvane.ico, and a clean exit when closed. Under Wine
# the class's icons are what X gets as _NET_WM_ICON (the 32- and 16-pixel images), which is
# also where a Linux taskbar finds them.
"$root/scripts/wine-run.sh" unpacked/corvane.exe &
app=$!
window=
for _ in $(seq 240); do
  window=$(xwininfo -root -tree | awk '/"Corvane": \("corvane.exe"/ { print $1; exit }')
  [ -n "$window" ] && xwininfo -id "$window" | grep -q IsViewable && break
  window=
  sleep 0.5
done
[ -n "$window" ] || fail "corvane.exe showed no window"
shown=$(xprop -id "$window" -notype -f _NET_WM_ICON 32c '=$0+\n' _NET_WM_ICON | sed 's/^_NET_WM_ICON=//')
drawn=$(python3 - "$root/res/corvane.ico" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
images = {}
for i in range(struct.unpack_from("<H", data, 4)[0]):
    size, _, _, _, _, _, _, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
    rows = [data[offset + 40 + 4 * size * y:][: 4 * size] for y in reversed(range(size))]
    images[size] = [size, size] + [int.from_bytes(row[4 * x :][:4], "little") for row in rows for x in range(size)]
print(", ".join(str(word) for size in (32, 16) for word in images[size]))
PY
)
[ "$shown" = "$drawn" ] || fail "corvane.exe's window does not carry res/corvane.ico's 32- and 16-pixel images"
echo "corvane.exe: window $window shown, its icons res/corvane.ico's 32 and 16 pixel images"
win taskkill /im corvane.exe >/dev/null  # without /f: WM_CLOSE, as the close box sends
status=0
wait "$app" || status=$?
app=
[ "$status" = 0 ] || fail "corvane.exe exited with $status"
echo "corvane.exe: closed, exit code 0"

# What Windows loads with them (system DLLs only) and what Explorer shows.
system='^(kernel32|user32|gdi32|winmm|shell32|comdlg32|comctl32|ole32|msvcrt|advapi32)\.dll$'
IFS=. read -r major minor patch tweak <<<"$version"
fixed=$major.${minor:-0}.${patch:-0}.${tweak:-0}
for exe in corvane.exe corvane-cli.exe; do
  imports=$(x86_64-w64-mingw32-objdump -p "unpacked/$exe" | sed -n 's/^\s*DLL Name: //p')
  echo "$exe imports: $(echo $imports)"
  [ -n "$imports" ] || fail "$exe: no imports read"
  if grep -viE "$system" <<<"$imports" >/dev/null; then
    fail "$exe imports DLLs Windows does not have: $(grep -viE "$system" <<<"$imports" | xargs)"
  fi
  info=$(/usr/bin/python3 - "unpacked/$exe" <<'PY'
import pefile, struct, sys
pe = pefile.PE(sys.argv[1])
fixed = pe.VS_FIXEDFILEINFO[0]
print("FILEVERSION=%d.%d.%d.%d" % (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                                   fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF))
for info in pe.FileInfo[0]:
    for table in getattr(info, "StringTable", []):
        for key, value in table.entries.items():
            print(key.decode() + "=" + value.decode())
group = next(e for e in pe.DIRECTORY_ENTRY_RESOURCE.entries if e.id == pefile.RESOURCE_TYPE["RT_GROUP_ICON"])
icon = group.directory.entries[0].directory.entries[0].data.struct
data = pe.get_data(icon.OffsetToData, icon.Size)
print("Icon=" + ",".join(str(data[6 + 14 * i] or 256) for i in range(struct.unpack_from("<H", data, 4)[0])))
PY
)
  echo "$exe: $(echo $info)"
  for line in "FILEVERSION=$fixed" "FileVersion=$version" "ProductVersion=$version" \
    "ProductName=Corvane" "OriginalFilename=$exe" "Icon=16,32,48"; do
    grep -qxF "$line" <<<"$info" || fail "$exe: the version resource lacks $line"
  done
  for name in FileDescription LegalCopyright; do
    grep -qE "^$name=.+" <<<"$info" || fail "$exe: the version resource has no $name"
  done
done

# The icon is the generator's drawing.
python3 "$root/res/make-icon.py" corvane.ico
cmp corvane.ico "$root/res/corvane.ico" || fail "res/corvane.ico differs from what res/make-icon.py draws"
echo "res/corvane.ico: as res/make-icon.py draws it"
echo "check-package: all passed"

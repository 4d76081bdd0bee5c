#!/usr/bin/env bash
# Makes docs/screenshot.png, Corvane's main page with the demo sample loaded, and
# docs/bank-report.png, SAVE BANK's report of it and of a file that is not there, photographed
# under Wine on a virtual display of its own. Needs the Windows build tools, wine, xvfb,
# imagemagick and the faces of the marks, fonts-symbola or fonts-dejavu-core
# (scripts/install-deps.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
cmake --preset windows >/dev/null
cmake --build build/windows -j "$(nproc)" --target corvane-cli corvane_screenshot

# A plain prefix of its own, with no font set up: the window as a new user sees it under Wine
# (Calibri is absent there, and Wine draws it with a face of its choosing).
export CORVANE_WINEPREFIX=$root/build/windows/screenshot-plain-prefix
export DISPLAY=:93
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
work=$(mktemp -d)
trap 'kill $xvfb_pid 2>/dev/null || true; rm -rf "$work"' EXIT

cd "$work"
"$root/scripts/wine-run.sh" "$root/build/windows/src/cli/corvane-cli.exe" demo -o demo.wav
mkdir -p "$root/docs"

# shoot PICTURE CROP ARGUMENTS...: photographs the window the tool shows for the arguments.
shoot() {
  local picture=$1 crop=$2
  shift 2
  rm -f close log
  "$root/scripts/wine-run.sh" "$root/build/windows/tools/corvane_screenshot.exe" "$@" >log 2>&1 &
  local shown=$!
  for _ in $(seq 120); do
    grep -q ready log && break
    sleep 0.5
  done
  grep -q ready log || { cat log; echo "screenshot: the window did not come up" >&2; exit 1; }
  sleep 3  # let the X server finish drawing (and the bank be packed)
  import -display "$DISPLAY" -window root -crop "$crop" +repage "$root/docs/$picture"
  touch close
  wait $shown
  echo "wrote docs/$picture"
}
# The 1010 x 600 window sits centred on the 1024 x 768 screen, and SAVE BANK's report over it.
shoot screenshot.png 1010x600+7+84 demo.wav
shoot bank-report.png 666x526+179+123 --bank demo.wav missing.wav

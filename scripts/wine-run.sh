#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own, quietly and without
# a window manager's delays. Prefix: $CORVANE_WINEPREFIX, else build/wineprefix.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${CORVANE_WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Wine reads Unix file names and arguments in the locale's character set: UTF-8, always.
export LC_ALL=C.UTF-8
# A home of its own: the prefix's Desktop and Documents link into it, so a dialog
# that falls back to the Desktop can never write into the real home folder.
export HOME=$WINEPREFIX/home
mkdir -p "$HOME"
if [ ! -f "$WINEPREFIX/.corvane-ready" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f >/dev/null 2>&1 || true
  wineserver -w || true
  touch "$WINEPREFIX/.corvane-ready"
fi
exec wine "$@"

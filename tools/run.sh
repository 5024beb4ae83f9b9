#!/usr/bin/env bash
# Starts the built Quillmark under Wine: on the user's display when there is one, otherwise on
# a virtual X server, with a screenshot to show what it looks like.
set -eu
build=$(cd "${1:-build}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
exe="$build/bin/Quillmark.exe"
[ -x "$exe" ] || { echo "run: $exe is missing; build first (make run does)" >&2; exit 1; }

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The user's own Wine prefix, unless one is chosen: Quillmark keeps its settings there.
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}"
if [ ! -d "$WINEPREFIX" ]; then
  echo "run: preparing the Wine prefix $WINEPREFIX (once)"
  wineboot -i </dev/null >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Arial' /d 'Liberation Sans' /f >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /d 'Liberation Mono' /f >/dev/null 2>&1 || true
  wineserver -w
fi

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "run: starting Quillmark on display $DISPLAY"
  exec wine "$exe"
fi

# No display: a virtual one, and a screenshot to look at.
for n in $(seq 50 99); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
done
Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=":$n"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

# A desktop window gives the program a title bar and focus without a window manager.
wine explorer /desktop=Quillmark,1280x800 "$exe" </dev/null >/dev/null 2>&1 &
program=$!
shot="$build/quillmark-screenshot.png"
sleep 6
import -window root "$shot" 2>/dev/null || true
cat <<MSG
run: there is no display here, so Quillmark runs on the virtual X server $DISPLAY.
run: a screenshot of it is in $shot
run: to use it live, point a VNC server or xdotool at DISPLAY=$DISPLAY.
run: close it with Ctrl+C here.
MSG
trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true' INT TERM EXIT
wait $program || true

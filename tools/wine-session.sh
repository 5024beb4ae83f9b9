#!/usr/bin/env bash
# Starts or stops the Wine session that the tests share: prefix, X server, wineserver.
#   wine-session.sh start BUILD_DIR   prepare the prefix, start Xvfb and the wineserver
#   wine-session.sh stop  BUILD_DIR   stop them again
set -eu
cmd=$1
export QM_BUILD_DIR=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
QM_KEEP_DISPLAY=1 . "$here/wine-env.sh"

stop_session() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -f "$WINEPREFIX/xvfb.pid" ]; then
    kill "$(cat "$WINEPREFIX/xvfb.pid")" 2>/dev/null || true
    rm -f "$WINEPREFIX/xvfb.pid"
  fi
  rm -f "$WINEPREFIX/display"
}

if [ "$cmd" = stop ]; then
  [ -d "$WINEPREFIX" ] && stop_session
  exit 0
fi

# A session left over from an interrupted run is stopped first.
[ -d "$WINEPREFIX" ] && stop_session

if [ ! -f "$WINEPREFIX/.quillmark-ready" ]; then
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1
  # A fresh prefix has no Courier New or Arial: map them so text measures like on Windows.
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Arial' /d 'Liberation Sans' /f </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /d 'Liberation Mono' /f </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' /d 'Liberation Serif' /f </dev/null >/dev/null 2>&1
  # Without a window manager, unmanaged windows close at once instead of after 2 s.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f </dev/null >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.quillmark-ready"
fi

# An X server of our own: tests need real windows, focus and screenshots.
for n in $(seq 91 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    setsid Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    echo $! >"$WINEPREFIX/xvfb.pid"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    echo ":$n" >"$WINEPREFIX/display"
    break
  fi
done
[ -f "$WINEPREFIX/display" ] || { echo "wine-session: no free X display" >&2; exit 1; }
export DISPLAY=$(cat "$WINEPREFIX/display")

# The wineserver and Wine's services inherit the first process's stdio: start them here with
# stdio on /dev/null, or they hold the test runner's pipes open after every test.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
# Wine closes the desktop a few seconds after its last program ends, and the next program
# starts it again with its own stdio: a test's pipe, held after the test. A program of ours
# keeps the desktop in use until the session stops.
keeper="$QM_BUILD_DIR/bin/session_keeper.exe"
if [ -f "$keeper" ]; then
  setsid wine "$keeper" </dev/null >/dev/null 2>&1 &
else
  echo "wine-session: $keeper is not built; a test may then hold the runner's pipe open" >&2
fi
echo "wine-session: prefix $WINEPREFIX, display $DISPLAY"

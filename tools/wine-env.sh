# Sourced by the Wine helpers: the environment every Quillmark process under Wine gets.
# QM_WINEPREFIX picks the prefix; the default is the build tree's own.
: "${QM_BUILD_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export WINEPREFIX="${QM_WINEPREFIX:-$QM_BUILD_DIR/wine}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine derives the ANSI code page from the locale: en_US gives 1252.
export LC_ALL=en_US.UTF-8
# Tests talk to servers on 127.0.0.1; a proxy from the environment must not catch them.
export no_proxy=127.0.0.1,localhost
unset http_proxy https_proxy ftp_proxy HTTP_PROXY HTTPS_PROXY FTP_PROXY
# The test session's X server, when one runs.
if [ -z "${QM_KEEP_DISPLAY:-}" ] && [ -f "$WINEPREFIX/display" ]; then
  DISPLAY=$(cat "$WINEPREFIX/display")
  export DISPLAY
fi

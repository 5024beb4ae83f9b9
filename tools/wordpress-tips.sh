#!/usr/bin/env bash
# Measures the call-tip share on WordPress's wp-settings.php: fetches Debian's wordpress package
# (not installed: unpacked into /tmp), then runs the benchmark under Wine in the test session.
#   tools/wordpress-tips.sh [BUILD_DIR]
set -eu
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=/tmp/quillmark-wordpress
if [ ! -f "$work/root/usr/share/wordpress/wp-settings.php" ]; then
  mkdir -p "$work"
  (cd "$work" && apt-get download wordpress && dpkg-deb -x wordpress_*.deb root)
fi
cmake --build "$build" --target wordpress_tags_bench
"$here/wine-session.sh" start "$build" >/dev/null
trap '"$here/wine-session.sh" stop "$build"' EXIT
export QM_BUILD_DIR=$build
export QM_WORDPRESS_DIR='Z:'$(echo "$work/root/usr/share/wordpress" | tr / '\\')
"$here/wine-run.sh" "$build/bin/wordpress_tags_bench.exe" | tr -d '\r'

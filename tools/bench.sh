#!/usr/bin/env bash
# Runs every benchmark under Wine in the test session and prints their figures.
set -eu
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
cmake --build "$build" --target benchmarks
"$here/wine-session.sh" start "$build" >/dev/null
trap '"$here/wine-session.sh" stop "$build"' EXIT
export QM_BUILD_DIR=$build
# The benchmarks that start a local server find its script in the source tree.
export QM_SOURCE_DIR=$(cd "$here/.." && pwd)
for bench in "$build"/bin/*_bench.exe; do
  echo "== $(basename "$bench" .exe)"
  "$here/wine-run.sh" "$bench" | tr -d '\r'
done

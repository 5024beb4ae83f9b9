#!/usr/bin/env bash
# Fails when a C++ file of ours differs from the committed .clang-format style.
set -eu
cd "$(dirname "$0")/.."
files=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' 2>/dev/null ||
  find src tests bench -name '*.cpp' -o -name '*.h')
bad=0
for f in $files; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || { echo "format: $f differs (clang-format -i $f)"; bad=$((bad + 1)); }
done
echo "format: $bad file(s) differ"
[ "$bad" -eq 0 ]

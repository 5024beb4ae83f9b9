#!/usr/bin/env bash
# Runs one Windows program of the build under Wine in the test prefix (the CMake emulator).
set -u
exe=$1; shift
: "${QM_BUILD_DIR:=$(cd "$(dirname "$exe")/.." && pwd)}"
export QM_BUILD_DIR
. "$(dirname "$0")/wine-env.sh"
# The program writes to a file, which is shown as it grows: the wineserver can keep a program's
# output handle open after the program has ended, and a test runner reading a pipe would then
# wait for it until its time-out.
out=$(mktemp "${TMPDIR:-/tmp}/qm-wine-run.XXXXXX")
trap 'rm -f "$out"' EXIT
wine "$exe" "$@" >"$out" 2>&1 &
program=$!
tail -n +1 -s 0.1 -f --pid="$program" "$out"
wait "$program"

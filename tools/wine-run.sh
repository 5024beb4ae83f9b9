#!/usr/bin/env bash
# Runs one Windows program of the build under Wine in the test prefix (the CMake emulator).
set -u
exe=$1; shift
: "${QM_BUILD_DIR:=$(cd "$(dirname "$exe")/.." && pwd)}"
export QM_BUILD_DIR
. "$(dirname "$0")/wine-env.sh"
exec wine "$exe" "$@"

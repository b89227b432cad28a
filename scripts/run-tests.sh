#!/usr/bin/env bash
# Runs every CTest test of a build folder: unit, gui (offscreen Qt) and e2e
# (the real program under Xvfb). Extra arguments go to ctest, e.g. -L unit.
set -euo pipefail
BUILD=${1:?build folder}
shift
ROOT=$(cd "$(dirname "$0")/.." && pwd)
RT=$(mktemp -d /tmp/bsfx-test.XXXXXX)
chmod 700 "$RT"
export XDG_RUNTIME_DIR=$RT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0:detect_odr_violation=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export BSFX_SOURCE_DIR=$ROOT
[ -f "$ROOT/demo/dbeng.cfg" ] && export BSFX_DEMO_CONFIG="$ROOT/demo/dbeng.cfg"
cd "$BUILD"
ctest --output-on-failure -j2 --timeout 600 "$@"

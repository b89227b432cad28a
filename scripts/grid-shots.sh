#!/usr/bin/env bash
# The catalogue window's grid under a virtual display, with the demo
# catalogue: docs/grid-top.png right after start-up (the first rows in
# TITLE order), then Down held until the grid stands on the last row,
# docs/grid-end.png.
# Usage: scripts/grid-shots.sh [BUILD_FOLDER]   (default: build)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN=${1:-$ROOT/build}/bin/bonussfx
if [ -z "${BSFX_SHOT_INNER:-}" ]; then
  export BSFX_SHOT_INNER=1
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
if [ ! -f "$ROOT/demo/dbeng.cfg" ]; then
  echo "no demo catalogue: run scripts/make-demo.sh first" >&2
  exit 1
fi
export DBENG_CONFIG="$ROOT/demo/dbeng.cfg"
"$BIN" &
PID=$!
trap 'kill $PID 2>/dev/null || true' EXIT
W=$(timeout 15 xdotool search --sync --name '^Brenx Bonus Sound Effects Collection$' | head -1)
sleep 1.5
import -window "$W" "$ROOT/docs/grid-top.png"
echo "wrote docs/grid-top.png"
# The grid is the first control that takes the focus: a click on its
# first data row gives it the focus without moving the dataset.
xdotool mousemove --window "$W" 60 45 click 1
xdotool windowfocus --sync "$W"
# Held Down: the X server's key repeat at 30 per second, for long enough
# to pass every row of the demo catalogue.
xset r rate 250 30 2>/dev/null || true
xdotool keydown Down
sleep "${BSFX_HOLD_SECONDS:-9}"
xdotool keyup Down
sleep 0.5
import -window "$W" "$ROOT/docs/grid-end.png"
echo "wrote docs/grid-end.png"

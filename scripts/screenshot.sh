#!/usr/bin/env bash
# Takes docs/screenshot.png: the catalogue window under a virtual display.
# Usage: scripts/screenshot.sh [BUILD_FOLDER]   (default: build)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN=${1:-$ROOT/build}/bin/bonussfx
if [ -z "${BSFX_SHOT_INNER:-}" ]; then
  export BSFX_SHOT_INNER=1
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
[ -f "$ROOT/demo/dbeng.cfg" ] && export DBENG_CONFIG="$ROOT/demo/dbeng.cfg"
"$BIN" &
PID=$!
trap 'kill $PID 2>/dev/null || true' EXIT
W=$(timeout 15 xdotool search --sync --name '^Brenx Bonus Sound Effects Collection$' | head -1)
sleep 1.5
import -window "$W" "$ROOT/docs/screenshot.png"
echo "wrote docs/screenshot.png"

#!/usr/bin/env bash
# The program with no engine library anywhere it looks: it shows the
# engine's initialisation message in an error box captioned with the
# application title, still opens its window once the box is closed, and
# ends normally. Usage: engine_missing.sh PATH/TO/bonussfx
set -euo pipefail
PROGRAM=${1:?path of bonussfx}
if [ -z "${BSFX_E2E_INNER:-}" ]; then
  export BSFX_E2E_INNER=1
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
unset QT_QPA_PLATFORM DBENG_DLLPATH
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
WORK=$(mktemp -d)
PID=
trap '[ -n "$PID" ] && kill $PID 2>/dev/null; rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
. "$(dirname "$0")/exit_by_menu.sh"

# The program alone in a folder of its own: the engine library that sits
# beside it in the build folder is out of reach.
mkdir "$WORK/bin"
cp "$PROGRAM" "$WORK/bin/bonussfx"
if ldconfig -p 2>/dev/null | grep -q 'libdbeng\.so'; then
  echo "skip: an engine library is installed system-wide"
  exit 0
fi

"$WORK/bin/bonussfx" >"$WORK/out.txt" 2>&1 &
PID=$!
BOX=$(timeout 15 xdotool search --sync --name '^Brenx Bonus Sound Effects$' | head -1)
[ -n "$BOX" ] || fail "no error box appeared; output: $(cat "$WORK/out.txt")"
EXPECTED="An error occurred while attempting to initialize the database engine (error \$2108)."
grep -qF "Brenx Bonus Sound Effects: $EXPECTED" "$WORK/out.txt" ||
  fail "the box does not say what went wrong; output: $(cat "$WORK/out.txt")"
xdotool windowfocus --sync "$BOX"
xdotool key Return

MAIN=$(timeout 15 xdotool search --sync --onlyvisible --name '^Brenx Bonus Sound Effects Collection$' | head -1)
[ -n "$MAIN" ] || fail "the catalogue window did not open after the error"
kill -0 "$PID" 2>/dev/null || fail "the program ended"
[ "$(grep -c 'Brenx Bonus Sound Effects:' "$WORK/out.txt")" = 1 ] ||
  fail "more than one error was shown: $(cat "$WORK/out.txt")"

exit_by_menu "$MAIN" "$PID"
PID=
[ "$STATUS" = 0 ] || fail "exit status $STATUS; output: $(cat "$WORK/out.txt")"
echo "ok: the engine's message shown, the window opened anyway"

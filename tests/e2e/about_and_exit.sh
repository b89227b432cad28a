#!/usr/bin/env bash
# The real program under a virtual display: the window appears centred at
# 588 by 440, Alt+H A opens the about box, Enter closes it, Alt+F X ends the
# program with exit status 0. Runs itself under xvfb-run when there is no
# display. Usage: about_and_exit.sh PATH/TO/bonussfx
set -euo pipefail
PROGRAM=${1:?path of bonussfx}
if [ -z "${BSFX_E2E_INNER:-}" ]; then
  export BSFX_E2E_INNER=1
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
WORK=$(mktemp -d)
trap 'kill $PID 2>/dev/null || true; rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
. "$(dirname "$0")/exit_by_menu.sh"

# An empty catalogue under the alias "sound", so the window opens its tables
# without an error box.
mkdir -m 700 "$WORK/catalogue"
"$(dirname "$PROGRAM")/sfxcat" create --dir "$WORK/catalogue" --password walrus >/dev/null ||
  fail "sfxcat could not make the test catalogue"
printf '[\\DATABASES\\sound\\DB INFO]\nTYPE=STANDARD\nPATH=%s\n' "$WORK/catalogue" >"$WORK/dbeng.cfg"
export DBENG_CONFIG="$WORK/dbeng.cfg"

"$PROGRAM" >"$WORK/out.txt" 2>&1 &
PID=$!
MAIN=$(timeout 15 xdotool search --sync --name '^Brenx Bonus Sound Effects Collection$' | head -1)
[ -n "$MAIN" ] || fail "the catalogue window did not appear"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$MAIN")"
[ "$WIDTH" = 588 ] && [ "$HEIGHT" = 440 ] || fail "window is ${WIDTH}x${HEIGHT}, not 588x440"
[ "$X" = $(((1024 - 588) / 2)) ] && [ "$Y" = $(((768 - 440) / 2)) ] || fail "window at $X,$Y is not centred"

xdotool windowfocus --sync "$MAIN"
xdotool key alt+h
sleep 0.3
xdotool key a
ABOUT=$(timeout 10 xdotool search --sync --name '^About Brenx Bonus Sound Effects$' | head -1)
[ -n "$ABOUT" ] || fail "Alt+H A did not open the about box"
xdotool windowfocus --sync "$ABOUT"
xdotool key Return
for _ in $(seq 50); do
  xdotool search --name '^About Brenx Bonus Sound Effects$' >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --name '^About Brenx Bonus Sound Effects$' >/dev/null 2>&1 && fail "Enter did not close the about box"

exit_by_menu "$MAIN" "$PID"
[ "$STATUS" = 0 ] || fail "exit status $STATUS; output: $(cat "$WORK/out.txt")"
echo "ok: window, about box and exit"

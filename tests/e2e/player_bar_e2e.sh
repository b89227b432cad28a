#!/usr/bin/env bash
# End to end: the catalogue window's player bar plays the current row's sound.
#
# Builds a small catalogue with sfxcat, starts a private PulseAudio server
# with a null sink and a private Xvfb, runs bonussfx, moves the grid to the
# second row, presses Play on the player bar, records the null sink's monitor
# with parec, and checks that the recording is that row's sound, that Play is
# disabled while it plays and enabled again at its end, and that a second
# press plays the sound again from its start.
#
# usage: player_bar_e2e.sh PATH/TO/bonussfx
# Exits 77 (skipped) when PulseAudio or its recorder are not installed.
set -euo pipefail

PROGRAM=${1:?path of bonussfx}
BIN=$(cd "$(dirname "$PROGRAM")" && pwd)
for tool in pulseaudio parec; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
for tool in Xvfb xdotool sox convert xwd; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done
for program in "$PROGRAM" "$BIN/sfxcat" "$BIN/media_compare_recording"; do
  [ -x "$program" ] || { echo "FAIL: $program is not built" >&2; exit 1; }
done

WORK=$(mktemp -d /tmp/bsfx-e2e-player.XXXXXX)
chmod 700 "$WORK"
PIDS=()
APP=""
RECORDER=""
cleanup() {
  local status=$?
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do kill "${PIDS[i]}" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  if [ "$status" -ne 0 ]; then
    echo "--- work folder $WORK kept for inspection"
  else
    rm -rf "$WORK"
  fi
}
trap cleanup EXIT
log() { printf '[e2e player] %s\n' "$*"; }
fail() {
  echo "FAIL: $*" >&2
  [ -f "$WORK/app.log" ] && sed 's/^/  app: /' "$WORK/app.log" >&2
  exit 1
}
. "$(dirname "$0")/exit_by_menu.sh"

export XDG_RUNTIME_DIR=$WORK/xdg HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config
mkdir -m 0700 -p "$XDG_RUNTIME_DIR" "$HOME"
unset PULSE_SERVER QT_QPA_PLATFORM BSFX_AUDIO_OUTPUT DISPLAY
export SFXCAT_PASSWORD=walrus

# The catalogue: three rows in title order; the grid starts on "Alpha tone".
# The second row's sound, a stereo sweep at another rate than the sink's,
# is the one played: it cannot be mistaken for the others.
DB=$WORK/db
mkdir -m 0700 "$DB"
sox -n -r 22050 -c 1 -b 16 "$WORK/alpha.wav" synth 0.6 sine 440 vol 0.5
sox -n -r 44100 -c 2 -b 16 "$WORK/beta.wav" synth 1.5 sine 300-1200 vol 0.6
sox -n -r 11025 -c 1 -b 8 "$WORK/gamma.wav" synth 0.5 square 220 vol 0.4
"$BIN/sfxcat" create --dir "$DB" >/dev/null
"$BIN/sfxcat" import --dir "$DB" --category 900 --title "Alpha tone" --keywords tone \
  "$WORK/alpha.wav" >/dev/null
"$BIN/sfxcat" import --dir "$DB" --category 900 --title "Beta chirp" --keywords chirp \
  "$WORK/beta.wav" >/dev/null
"$BIN/sfxcat" import --dir "$DB" --category 900 --title "Gamma buzz" --keywords buzz \
  "$WORK/gamma.wav" >/dev/null
printf '[\\DATABASES\\sound\\DB INFO]\nTYPE=STANDARD\nPATH=%s\n' "$DB" >"$WORK/dbeng.cfg"
export DBENG_CONFIG=$WORK/dbeng.cfg

# The sound server with a null sink; the recorder on its monitor. An idle
# null sink renders in 2 s blocks: the recorder attaches first and is given
# time to settle.
pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no --enable-memfd=no \
  --log-target=stderr --log-level=error --load=module-native-protocol-unix \
  --load="module-null-sink sink_name=nullsink rate=22050 channels=1 format=s16le norewinds=1" \
  2>"$WORK/pulse.log" &
PIDS+=($!)
for _ in $(seq 50); do
  [ -S "$XDG_RUNTIME_DIR/pulse/native" ] && break
  sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/pulse/native" ] || fail "pulseaudio did not start: $(cat "$WORK/pulse.log")"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" 2>"$WORK/xvfb.log" &
PIDS+=($!)
for _ in $(seq 50); do
  [ -s "$WORK/display" ] && break
  sleep 0.1
done
[ -s "$WORK/display" ] || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
export DISPLAY=:$(head -1 "$WORK/display")

parec -d nullsink.monitor --format=s16le --rate=22050 --channels=1 --latency-msec=10 --raw \
  "$WORK/rec.raw" &
RECORDER=$!
PIDS+=($RECORDER)
sleep 2.5

"$PROGRAM" >"$WORK/app.log" 2>&1 &
APP=$!
PIDS+=($APP)
W=$(timeout 15 xdotool search --sync --name '^Brenx Bonus Sound Effects Collection$' | head -1)
[ -n "$W" ] || fail "the catalogue window did not appear"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$W")"
WX=$X WY=$Y

# The player bar sits in the window's lower left corner. Prints the screen
# position "x y" of the middle of the coloured Play glyph (pure green,
# 0 128 0), or nothing when Play is drawn disabled.
play_glyph() {
  xwd -root -silent | convert xwd:- -crop "200x104+$WX+$((WY + 300))" +repage "$WORK/bar.png"
  convert "$WORK/bar.png" txt:- | awk -F'[,: ]+' -v ox="$WX" -v oy="$((WY + 300))" '
    /#008000/ { n++; sx += $1; sy += $2 }
    END { if (n >= 6) printf "%d %d\n", ox + sx / n, oy + sy / n }'
}
recorded() { stat -c %s "$WORK/rec.raw"; }
# Waits up to $1 tenths of a second for Play to be drawn enabled.
wait_enabled() {
  for _ in $(seq "$1"); do
    [ -n "$(play_glyph)" ] && return 0
    sleep 0.1
  done
  return 1
}
# Keeps the recording from byte $1 on as $2, once the sound has had time to
# reach the recorder.
keep_from() {
  sleep 0.5
  tail -c +$(($1 + 1)) "$WORK/rec.raw" >"$2"
}

wait_enabled 50 || fail "Play is not enabled on the first row"
cp "$WORK/bar.png" "$WORK/first-row.png"

# The grid has the focus: one row down loads "Beta chirp".
xdotool windowfocus --sync "$W"
xdotool key Down
sleep 0.5
wait_enabled 30 || fail "Play is not enabled on the second row"
XY=$(play_glyph)
log "Play at $XY"

START=$(recorded)
xdotool mousemove $XY click 1
sleep 0.4
[ -z "$(play_glyph)" ] || fail "Play is still enabled while the sound plays"
cp "$WORK/bar.png" "$WORK/playing.png"
# The sound lasts 1.5 s; its end enables Play again.
wait_enabled 40 || fail "Play was not enabled again after the end of the sound"
keep_from "$START" "$WORK/first.raw"
"$BIN/media_compare_recording" "$WORK/beta.wav" "$WORK/first.raw" 22050 0.9 ||
  fail "the recording is not the second row's sound"
log "the second row's sound was played, and Play is enabled again"

# Pressed again, Play starts the sound from its beginning.
START=$(recorded)
xdotool mousemove $XY click 1
sleep 0.4
[ -z "$(play_glyph)" ] || fail "the second press did not start the sound"
wait_enabled 40 || fail "Play was not enabled again after the second play"
keep_from "$START" "$WORK/second.raw"
"$BIN/media_compare_recording" "$WORK/beta.wav" "$WORK/second.raw" 22050 0.9 ||
  fail "the second recording is not the whole sound again"
log "a second press played the whole sound again"

exit_by_menu "$W" "$APP"
[ "$STATUS" = 0 ] || fail "the program ended with status $STATUS"
echo "ok: the player bar played the current row's sound, twice"

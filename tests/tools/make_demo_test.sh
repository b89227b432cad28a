#!/usr/bin/env bash
# scripts/make-demo.sh on made-up packages: it builds the catalogue from
# package files and container entries, reports a package that cannot be
# fetched while the rest goes in, and a second run changes nothing.
#   make_demo_test.sh SOURCE_DIR BIN_DIR
set -euo pipefail
SRC=$1
BIN=$2
T=$(mktemp -d /tmp/make-demo-test.XXXXXX)
trap '[ -n "${KEEP:-}" ] || rm -rf "$T"' EXIT
export BSFX_DEMO_CACHE=$T/cache BSFX_DEMO_DIR=$T/demo BSFX_DEMO_RECIPE=$T/recipe.tsv
export BSFX_DEMO_NO_UPDATE=1 SFXCAT_PASSWORD=
failures=0
check() { # DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok: $1"; else
    echo "FAILED: $1"
    failures=$((failures + 1))
  fi
}

le32() { # the little-endian bytes of a number, as printf escapes
  printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) \
    $((($1 >> 16) & 255)) $((($1 >> 24) & 255))
}

# A package with two WAVs, an Ogg file and a sound container of two entries.
P=$T/pkg
mkdir -p "$P/DEBIAN" "$P/usr/share/fake/sounds"
cat >"$P/DEBIAN/control" <<CTL
Package: bsfx-fake-sounds
Version: 1.0
Architecture: all
Maintainer: Tests <tests@example.invalid>
Description: sounds for the demo script's test
CTL
sox -n -r 8000 -b 16 -c 1 "$P/usr/share/fake/sounds/beep.wav" synth 0.2 sine 880
sox -n -r 11025 -b 8 -c 1 "$P/usr/share/fake/sounds/hum.wav" synth 0.3 sine 60
sox -n -r 22050 -c 1 "$P/usr/share/fake/sounds/wind.ogg" synth 0.5 pinknoise
sox -n -r 8000 -b 16 -c 1 "$T/one.wav" synth 0.1 sine 440
sox -n -r 8000 -b 16 -c 1 "$T/two.wav" synth 0.15 square 220
name1='"First entry". By Somebody. License: CC0.'
name2='"Second entry". By Someone Else. License: CC-BY.'
s1=$(stat -c %s "$T/one.wav")
s2=$(stat -c %s "$T/two.wav")
off1=16
off2=$((off1 + 1 + ${#name1} + s1))
{
  printf "$(le32 $((off1 | 0x80000000)))$(le32 "$s1")$(le32 $off2)$(le32 "$s2")"
  printf "$(printf '\\x%02x' ${#name1})%s" "$name1"
  cat "$T/one.wav"
  printf "$(printf '\\x%02x' ${#name2})%s" "$name2"
  cat "$T/two.wav"
} >"$P/usr/share/fake/sounds.cat"
mkdir -p "$BSFX_DEMO_CACHE/debs"
dpkg-deb -b --root-owner-group "$P" "$BSFX_DEMO_CACHE/debs/bsfx-fake-sounds_1.0_all.deb" >/dev/null

R=usr/share/fake
printf '# package\tpath\tcategory\ttitle\tkeywords\tlicence\tcredit\n' >"$T/recipe.tsv"
printf 'bsfx-fake-sounds\t%s\t800\tHigh beep\tbeep tone\tCC0-1.0\tTests\n' "$R/sounds/beep.wav" >>"$T/recipe.tsv"
printf 'bsfx-fake-sounds\t%s\t500\tMains hum\thum electric\tCC0-1.0\tTests\n' "$R/sounds/hum.wav" >>"$T/recipe.tsv"
printf 'bsfx-fake-sounds\t%s\t600\tPink wind\twind noise\tCC0-1.0\tTests\n' "$R/sounds/wind.ogg" >>"$T/recipe.tsv"
printf 'bsfx-fake-sounds\t%s\t900\tSecond entry\tsquare\tCC-BY-3.0\tTests\n' "$R/sounds.cat#Second entry" >>"$T/recipe.tsv"
printf 'bsfx-fake-sounds\t%s\t900\tFirst entry\tsine\tCC0-1.0\tTests\n' "$R/sounds.cat#First entry" >>"$T/recipe.tsv"

rows() { "$BIN/sfxcat" info --dir "$BSFX_DEMO_DIR" --password walrus | sed -n 's/^rows: //p'; }

"$SRC/scripts/make-demo.sh" "$BIN" 2>"$T/run1.err" || {
  cat "$T/run1.err"
  exit 1
}
check "five rows from files and container entries" test "$(rows)" = 5
check "engine configuration names the alias" grep -qxF "PATH=$BSFX_DEMO_DIR" "$BSFX_DEMO_DIR/dbeng.cfg"
check "the alias section" grep -qxF '[\DATABASES\sound\DB INFO]' "$BSFX_DEMO_DIR/dbeng.cfg"
check "progress shown" grep -q 'cached' "$T/run1.err"
DBENG_CONFIG=$BSFX_DEMO_DIR/dbeng.cfg "$BIN/sfxcat" info --alias sound --password walrus >"$T/alias.out"
check "the alias opens the catalogue" grep -qx 'rows: 5' "$T/alias.out"

sum1=$(sha256sum <"$BSFX_DEMO_DIR/bonussfx.db")
"$SRC/scripts/make-demo.sh" "$BIN" 2>"$T/run2.err"
check "second run is a no-op" grep -q 'up to date' "$T/run2.err"
check "second run leaves the table alone" test "$(sha256sum <"$BSFX_DEMO_DIR/bonussfx.db")" = "$sum1"

# A package that cannot be fetched is reported; the rest still goes in.
printf 'bsfx-no-such-package-anywhere\tusr/x.wav\t100\tNothing\tnone\tCC0-1.0\tTests\n' >>"$T/recipe.tsv"
"$SRC/scripts/make-demo.sh" "$BIN" 2>"$T/run3.err" || {
  cat "$T/run3.err"
  exit 1
}
check "unfetchable package reported" grep -q 'could not fetch bsfx-no-such-package-anywhere' "$T/run3.err"
check "the other sounds still in" test "$(rows)" = 5

# With no package to be had at all, the catalogue there is stays.
printf '# nothing\nbsfx-no-such-package-anywhere\tusr/x.wav\t100\tNothing\tnone\tCC0-1.0\tTests\n' >"$T/recipe.tsv"
"$SRC/scripts/make-demo.sh" "$BIN" 2>"$T/run4.err"
check "offline run reported" grep -q 'no sound package could be fetched' "$T/run4.err"
check "offline run keeps the catalogue" test "$(rows)" = 5

if [ $failures != 0 ]; then
  for f in "$T"/run*.err; do
    echo "--- $f"
    cat "$f"
  done
  exit 1
fi

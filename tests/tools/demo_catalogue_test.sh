#!/usr/bin/env bash
# The demo catalogue as scripts/make-demo.sh leaves it in demo/: between 150
# and 300 sounds, at least 10 in each of the nine categories, the titles
# listed in dictionary order, and the counts of `sfxcat count` agreeing with
# `sfxcat info` and with the rows `sfxcat list` prints.
#   demo_catalogue_test.sh SOURCE_DIR BIN_DIR
set -euo pipefail
SRC=$1
BIN=$2
DEMO=${BSFX_DEMO_DIR:-$SRC/demo}
if [ ! -f "$DEMO/dbeng.cfg" ]; then
  echo "skip: no demo catalogue in $DEMO (scripts/make-demo.sh makes it)"
  exit 0
fi
export DBENG_CONFIG=$DEMO/dbeng.cfg
sfx() { "$BIN/sfxcat" "$@" --alias sound --password walrus; }
failures=0
check() { # DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok: $1"; else
    echo "FAILED: $1"
    failures=$((failures + 1))
  fi
}
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

rows=$(sfx info | sed -n 's/^rows: //p')
check "150 to 300 sounds (has $rows)" test "$rows" -ge 150 -a "$rows" -le 300
check "count agrees with info" test "$(sfx count)" = "$rows"

sfx list --fields TITLE >"$T/titles"
check "list prints every row" test "$(wc -l <"$T/titles")" = "$rows"
check "titles in dictionary order" env LC_ALL=C sort -c -f "$T/titles"
check "titles unique" test "$(sort -u "$T/titles" | wc -l)" = "$rows"

sfx list --fields CATEGORY >"$T/categories"
for c in 100 200 300 400 500 600 700 800 900; do
  n=$(sfx count --filter "CATEGORY=$c")
  check "category $c has at least 10 sounds ($n)" test "$n" -ge 10
  check "category $c: count agrees with the listed rows" test "$n" = "$(grep -cx "$c" "$T/categories")"
done
[ "$failures" = 0 ] || { echo "$failures check(s) failed"; exit 1; }

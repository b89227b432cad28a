#!/usr/bin/env bash
# Builds the demo catalogue: demo/bonussfx.db (alias "sound", password
# "walrus") from the freely licensed sounds listed in resources/demo-recipe.tsv,
# and demo/dbeng.cfg, the engine configuration that names the alias.
#
#   scripts/make-demo.sh BINDIR     BINDIR holds sfxcat and libdbeng.so
#
# The Debian packages are fetched with `apt-get download` into .cache/demo
# (nothing is installed) and unpacked there. A second run with the same
# recipe and packages changes nothing. A package that cannot be fetched is
# reported and its sounds left out; the next run tries it again.
set -euo pipefail

BINDIR=${1:?usage: scripts/make-demo.sh BINDIR}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BINDIR=$(cd "$BINDIR" && pwd)
SFXCAT=$BINDIR/sfxcat
# The tests point these elsewhere.
RECIPE=${BSFX_DEMO_RECIPE:-$ROOT/resources/demo-recipe.tsv}
CACHE=${BSFX_DEMO_CACHE:-$ROOT/.cache/demo}
DEMO=${BSFX_DEMO_DIR:-$ROOT/demo}
PASSWORD=walrus
# Bump when the way the catalogue is built changes, so old demos are rebuilt.
FORMAT=1

say() { printf 'make-demo: %s\n' "$*" >&2; }
fail() {
  say "error: $*"
  exit 1
}

[ -x "$SFXCAT" ] || fail "no sfxcat in $BINDIR (build it first)"
[ -f "$RECIPE" ] || fail "no recipe at $RECIPE"
command -v apt-get >/dev/null || fail "apt-get is needed to fetch the sound packages"
command -v dpkg-deb >/dev/null || fail "dpkg-deb is needed to unpack the sound packages"
mkdir -p "$CACHE/debs" "$CACHE/unpacked" "$DEMO"

mapfile -t PACKAGES < <(grep -v '^#' "$RECIPE" | cut -f1 | sort -u)

# ---- fetch ---------------------------------------------------------------
deb_of() { compgen -G "$CACHE/debs/$1_*.deb" | head -n1 || true; }

apt_download() { # PACKAGE; quiet apt-get download into the cache
  local opts=()
  [ "$(id -u)" = 0 ] && opts=(-o APT::Sandbox::User=root)
  (cd "$CACHE/debs" && apt-get download -qq "${opts[@]}" "$1" >/dev/null 2>"$CACHE/apt.err")
}

UPDATED=0
MISSING=()
i=0
for pkg in "${PACKAGES[@]}"; do
  i=$((i + 1))
  if [ -n "$(deb_of "$pkg")" ]; then
    say "[$i/${#PACKAGES[@]}] $pkg: cached"
    continue
  fi
  say "[$i/${#PACKAGES[@]}] $pkg: downloading"
  if ! apt_download "$pkg"; then
    # The package lists may be missing or stale on a fresh machine.
    if [ $UPDATED = 0 ] && [ "$(id -u)" = 0 ] && [ -z "${BSFX_DEMO_NO_UPDATE:-}" ]; then
      UPDATED=1
      say "  refreshing the package lists (apt-get update)"
      apt-get update -qq >/dev/null 2>&1 || true
      apt_download "$pkg" || true
    fi
  fi
  if [ -z "$(deb_of "$pkg")" ]; then
    say "  could not fetch $pkg: $(tr '\n' ' ' <"$CACHE/apt.err" | cut -c1-200)"
    say "  its sounds are left out of the demo catalogue"
    MISSING+=("$pkg")
  fi
done

if ((${#MISSING[@]} == ${#PACKAGES[@]})); then
  # Offline, most likely: keep whatever catalogue there is, and let the rest
  # of the set-up go on.
  say "no sound package could be fetched; the demo catalogue is left as it is"
  exit 0
fi

# The package file of each package fetched (forks are dear on a busy
# machine, so the loops below look things up in memory).
declare -A DEB=()
for pkg in "${PACKAGES[@]}"; do DEB[$pkg]=$(deb_of "$pkg"); done

# ---- the stamp: what the catalogue was built from -------------------------
stamp() {
  {
    echo "format $FORMAT"
    sha256sum <"$RECIPE"
    # A table written by another build of the engine is rebuilt too.
    if [ -f "$BINDIR/libdbeng.so" ]; then sha256sum <"$BINDIR/libdbeng.so"; fi
    for pkg in "${PACKAGES[@]}"; do
      local deb=${DEB[$pkg]}
      echo "$pkg ${deb##*/}"
    done
  } | sha256sum | cut -d' ' -f1
}
STAMP=$(stamp)
if [ -f "$DEMO/bonussfx.db" ] && [ -f "$DEMO/dbeng.cfg" ] && [ -f "$DEMO/.stamp" ] &&
  [ "$(cat "$DEMO/.stamp")" = "$STAMP" ] &&
  "$SFXCAT" info --dir "$DEMO" --password "$PASSWORD" >/dev/null 2>&1; then
  say "demo catalogue is up to date ($DEMO)"
  exit 0
fi

# ---- unpack ----------------------------------------------------------------
# Only the files the recipe names are taken out of each package.
for pkg in "${PACKAGES[@]}"; do
  deb=${DEB[$pkg]}
  [ -n "$deb" ] || continue
  dest=$CACHE/unpacked/$pkg
  members=$CACHE/unpacked/$pkg.members
  awk -F'\t' -v p="$pkg" '$1 == p { sub(/#.*/, "", $2); print "./" $2 }' "$RECIPE" | sort -u >"$members.new"
  want="${deb##*/} $(sha256sum <"$members.new" | cut -c1-16)"
  if [ "$(cat "$dest/.from" 2>/dev/null)" != "$want" ]; then
    say "unpacking ${deb##*/}"
    rm -rf "$dest"
    mkdir -p "$dest"
    if ! dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$dest" -T "$members.new" 2>"$CACHE/tar.err"; then
      say "  some files of the recipe are not in ${deb##*/}: $(head -c 300 "$CACHE/tar.err" | tr '\n' ' ')"
    fi
    echo "$want" >"$dest/.from"
  fi
  mv "$members.new" "$members"
done

# A sound container (opensfx.cat): a table of little-endian (offset, size)
# pairs, bit 31 of each offset masked off, as many as the first offset / 8.
# At each offset: a length byte, the sample's name, then `size` bytes of a
# complete WAV file. Entries are written as N.wav beside an index of
# "quoted title<TAB>N.wav" lines.
split_container() { # CONTAINER OUTDIR; fails when CONTAINER is not one
  local cat=$1 out=$2 first n i off size len name title total
  [ -f "$out/index.tsv" ] && return 0
  [ -f "$cat" ] || return 1
  total=$(stat -c %s "$cat")
  first=$(od -An -tu4 -N4 "$cat" | tr -d ' ')
  n=$(((${first:-0} & 0x7fffffff) / 8))
  ((n > 0 && n <= 65536 && n * 8 <= total)) || return 1
  rm -rf "$out.tmp"
  mkdir -p "$out.tmp"
  read -r -a tab < <(od -An -tu4 -v -N $((n * 8)) "$cat" | tr -s ' \n' ' ') || true
  : >"$out.tmp/index.tsv"
  for ((i = 0; i < n; i++)); do
    off=$((tab[2 * i] & 0x7fffffff))
    size=${tab[2 * i + 1]}
    ((off < total)) || continue
    len=$(od -An -tu1 -j "$off" -N1 "$cat" | tr -d ' ')
    ((off + 1 + len + size <= total)) || continue
    name=$(dd if="$cat" bs=4096 iflag=skip_bytes,count_bytes skip=$((off + 1)) count="$len" status=none | tr -d '\000')
    dd if="$cat" of="$out.tmp/$i.wav" bs=65536 iflag=skip_bytes,count_bytes \
      skip=$((off + 1 + len)) count="$size" status=none
    title=${name#\"}
    title=${title%%\"*}
    printf '%s\t%s\n' "$title" "$i.wav" >>"$out.tmp/index.tsv"
  done
  rm -rf "$out"
  mv "$out.tmp" "$out"
}

# ---- the import list ---------------------------------------------------------
WORK=$DEMO/.building
rm -rf "$WORK"
mkdir -p "$WORK"
LIST=$WORK/import.tsv
declare -A ENTRY=() # "container path|title" -> extracted file
declare -A SPLIT=()
skipped=0
while IFS=$'\t' read -r pkg path category title keywords _rest; do
  [[ -z $pkg || $pkg == \#* ]] && continue
  if [ -z "${DEB[$pkg]}" ]; then
    skipped=$((skipped + 1))
    continue
  fi
  base=$CACHE/unpacked/$pkg
  if [[ $path == *"#"* ]]; then
    container=$base/${path%%#*}
    entry=${path#*#}
    if [ -z "${SPLIT[$container]:-}" ]; then
      SPLIT[$container]=1
      if split_container "$container" "$container.d"; then
        while IFS=$'\t' read -r t f; do ENTRY["$container|$t"]=$container.d/$f; done <"$container.d/index.tsv"
      else
        say "  ${path%%#*} of $pkg is missing or not a sound container"
      fi
    fi
    file=${ENTRY["$container|$entry"]:-}
    if [ -z "$file" ]; then
      say "  no sample \"$entry\" in $pkg's ${path%%#*}; left out"
      skipped=$((skipped + 1))
      continue
    fi
  else
    file=$base/$path
  fi
  printf '%s\t%s\t%s\t%s\n' "$file" "$category" "$title" "$keywords"
done <"$RECIPE" >"$LIST"
say "importing $(wc -l <"$LIST") sounds ($skipped left out)"

# ---- build the table beside the old one, then swap it in --------------------
"$SFXCAT" create --dir "$WORK" --password "$PASSWORD" >/dev/null ||
  fail "could not create the catalogue table"
# sfxcat prints TITLE<TAB>FILE for each row it adds: shown as progress.
total=$(wc -l <"$LIST")
set +e
"$SFXCAT" import --dir "$WORK" --password "$PASSWORD" --list "$LIST" |
  awk -F'\t' -v n="$total" '{ printf "make-demo: [%d/%d] %s\n", NR, n, $1; fflush() }' >&2
status=${PIPESTATUS[0]}
set -e
rows=$("$SFXCAT" info --dir "$WORK" --password "$PASSWORD" | sed -n 's/^rows: //p')
[ "${rows:-0}" -gt 0 ] || fail "no sound went into the catalogue; the old one is kept"
if [ $status != 0 ]; then
  say "some sounds could not be imported (see above); the other $rows are in"
fi
rm -f "$DEMO/bonussfx.db" "$DEMO/bonussfx.db-wal" "$DEMO/bonussfx.db-shm"
for f in bonussfx.db bonussfx.db-wal; do
  if [ -f "$WORK/$f" ]; then mv "$WORK/$f" "$DEMO/$f"; fi
done

cat >"$DEMO/dbeng.cfg" <<CFG
; Engine configuration of the demo catalogue, written by scripts/make-demo.sh.
[\\DATABASES\\sound\\DB INFO]
PATH=$DEMO
TYPE=STANDARD
CFG
rm -rf "$WORK"

if ((${#MISSING[@]})) || [ $status != 0 ]; then
  # Not stamped: the next run tries the missing packages and sounds again.
  rm -f "$DEMO/.stamp"
  say "demo catalogue built without ${MISSING[*]:-some sounds} ($DEMO)"
else
  echo "$STAMP" >"$DEMO/.stamp"
  say "demo catalogue ready: $DEMO/bonussfx.db ($rows sounds)"
fi

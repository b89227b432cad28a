#!/usr/bin/env bash
# One command for a fresh Debian 12 machine (run as root):
#   ./bootstrap.sh run    install everything, build, prepare the demo catalogue, start bonussfx
#   ./bootstrap.sh test   install everything, build with sanitizers, prepare the demo catalogue,
#                         run every test (unit, gui, e2e)
#   ./bootstrap.sh build  install and build only
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
MODE=${1:-run}

log() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }

PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-multimedia-dev libsndfile1-dev libsqlite3-dev libsodium-dev
  xvfb xauth xdotool x11-apps imagemagick pulseaudio pulseaudio-utils fonts-liberation2
  sox ccache clang-format dpkg-dev)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    log "installing ${missing[*]}"
    local sudo=""
    [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

build() { # build DIR [cmake options...]
  local dir=$1
  shift
  log "building in $dir"
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}

demo() { # demo BINDIR
  if [ -x "$ROOT/scripts/make-demo.sh" ]; then
    log "preparing the demo catalogue"
    "$ROOT/scripts/make-demo.sh" "$1"
  fi
}

install_packages
case "$MODE" in
build)
  build "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  ;;
run)
  build "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBSFX_BUILD_TESTS=OFF -DBSFX_BUILD_BENCH=OFF
  demo "$ROOT/build/bin"
  [ -f "$ROOT/demo/dbeng.cfg" ] && export DBENG_CONFIG="$ROOT/demo/dbeng.cfg"
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<TXT
bonussfx is built, but this shell has no display to show its window on.
Run it from a desktop session, or under a virtual display:
  xvfb-run -a -s '-screen 0 1024x768x24' ./bootstrap.sh run
TXT
    exit 2
  fi
  log "starting bonussfx"
  exec "$ROOT/build/bin/bonussfx"
  ;;
test)
  build "$ROOT/build-test" -DCMAKE_BUILD_TYPE=Debug -DBSFX_SANITIZE=ON -DBSFX_BUILD_BENCH=ON
  demo "$ROOT/build-test/bin"
  log "running the tests"
  exec "$ROOT/scripts/run-tests.sh" "$ROOT/build-test"
  ;;
*)
  echo "usage: $0 run|test|build" >&2
  exit 64
  ;;
esac

#!/usr/bin/env bash
# Set up, build and run Quorlin on Debian 12.
#   ./dev.sh run    install what is missing, build, start the window program
#   ./dev.sh test   install what is missing, build, run the whole test suite
#   ./dev.sh corpus [DIR]   install what the corpus generator and the benchmark scripts need,
#                           build the benchmark corpora into DIR (default corpus/);
#                           see bench/README.md
#   ./dev.sh format         apply the house style (.clang-format) to every tracked C++ file
# Runs as root, or as a user with sudo for the package step.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-svg-dev libqt6svg6 qt6-translations-l10n qt6-qpa-plugins
  libgl-dev fonts-dejavu-core
  libgtest-dev libbenchmark-dev
  xvfb xauth xclip xdotool xdg-utils
  python3
  weston qt6-wayland desktop-file-utils appstream
  at-spi2-core python3-pyatspi dbus-daemon
)
# Only for `corpus` and `format`, not for building or testing: the corpus generator's
# sources and tools, /usr/bin/time for bench/catalogue_big.sh, PHP for the peer in
# bench/cli_bench.sh; clang-format for the house style.
CORPUS_PACKAGES=(manpages-fr manpages groff-base libc-bin python3 time php-cli)
FORMAT_PACKAGES=(clang-format)

install_missing() {  # install_missing PACKAGE...
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "dev.sh: installing ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

case "${1:-}" in
  run)
    install_missing "${PACKAGES[@]}"
    build build
    exec build/src/app/quorlin
    ;;
  test)
    install_missing "${PACKAGES[@]}"
    build build -DQUORLIN_WERROR=ON
    ctest --test-dir build --output-on-failure -j "$(nproc)"
    # The same suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
    build build-asan -DQUORLIN_WERROR=ON -DQUORLIN_SANITIZE=ON -DQUORLIN_BUILD_BENCH=OFF
    ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
    ;;
  corpus)
    install_missing "${CORPUS_PACKAGES[@]}"
    top=$PWD
    cd "$OLDPWD"  # DIR is taken from where dev.sh was called
    exec "$top/bench/make_corpus.sh" "${@:2}"
    ;;
  format)
    install_missing "${FORMAT_PACKAGES[@]}"
    git ls-files -z -- '*.cpp' '*.h' | xargs -0 -r clang-format -i
    ;;
  *)
    echo "usage: ./dev.sh run | test | corpus [DIR] | format" >&2
    exit 2
    ;;
esac

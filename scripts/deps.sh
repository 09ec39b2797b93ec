#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
#   scripts/deps.sh --run  what ./run.sh needs: the compiler and build tools, Qt, RtMidi,
#                          libjack, CLI11, GoogleTest and Google Benchmark (the build's
#                          configuration looks for them) and the controls' font
#   scripts/deps.sh        what ./test.sh needs: also the tools the test suite drives the
#                          editor with (JACK, Xvfb, xdotool, xclip, ImageMagick)
#   scripts/deps.sh --ci   also what only .ci/run needs: clang and its sanitizer runtime for
#                          the fuzzers, clang-format, the mingw-w64 cross compiler with
#                          GoogleTest's sources, Wine, and the packaging validators
# Safe to run again: only what is missing is installed.
set -euo pipefail

packages=(
  g++ make cmake ninja-build pkg-config git
  qt6-base-dev
  librtmidi-dev libjack-jackd2-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-wine
)

testPackages=(
  jackd2
  xvfb xauth xdotool xclip x11-utils imagemagick
)

ciPackages=(
  clang-14 libclang-rt-14-dev clang-format
  g++-mingw-w64-x86-64-posix googletest wine64
  dpkg-dev desktop-file-utils appstream shared-mime-info libxml2-utils groff-base
)

case "${1:-}" in
  --run) ;;
  "") packages+=("${testPackages[@]}") ;;
  --ci) packages+=("${testPackages[@]}" "${ciPackages[@]}") ;;
  *)
    echo "usage: scripts/deps.sh [--run | --ci]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run as root: apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y ${missing[*]}" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Safe to run again: only what is missing is installed.
set -euo pipefail

packages=(
  g++ make cmake ninja-build pkg-config git
  qt6-base-dev
  librtmidi-dev libjack-jackd2-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  jackd2
  xvfb xauth xdotool x11-utils imagemagick fonts-wine
  clang-14 libclang-rt-14-dev clang-format
  g++-mingw-w64-x86-64-posix googletest wine64
  dpkg-dev desktop-file-utils appstream shared-mime-info libxml2-utils groff-base
)

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

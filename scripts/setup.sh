#!/usr/bin/env bash
# Installs what building and testing need, when it is missing. Debian, as root
# (or with sudo). Safe to run again: it does nothing when all is there.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev python3
  libgtest-dev libbenchmark-dev zlib1g-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev
  wine wine32 xvfb xauth x11-apps imagemagick
  zip unzip 7zip p7zip-full libarchive-tools default-jdk-headless
)

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

# wine32 is an i386 package.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  NEED_UPDATE=1
fi

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  case "$status" in *"install ok installed"*) ;; *) missing+=("$p") ;; esac
done

if [ ${#missing[@]} -gt 0 ] || [ "${NEED_UPDATE:-0}" = 1 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

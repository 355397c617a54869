#!/usr/bin/env bash
# Installs every Debian package the build, the demo and the tests need.
# A no-op when everything is already present.
set -euo pipefail

PKGS_NATIVE=(
  cmake make g++ ninja-build pkg-config git python3
  googletest libgtest-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 libwine-dev
  g++-multilib qemu-user-static python3-pefile
  xvfb xauth x11-utils x11-apps imagemagick
  ffmpeg mediainfo sox clang libclang-rt-dev dvdauthor
  fonts-liberation fonts-wine
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav
)
PKGS_I386=(
  wine32:i386
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386 gstreamer1.0-plugins-bad:i386
  gstreamer1.0-plugins-ugly:i386 gstreamer1.0-libav:i386
)

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  need_update=1
fi
for p in "${PKGS_NATIVE[@]}" "${PKGS_I386[@]}"; do
  st=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  case "$st" in *"install ok installed"*) ;; *) missing+=("$p");; esac
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "setup: installing ${#missing[@]} packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"

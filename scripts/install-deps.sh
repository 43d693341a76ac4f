#!/bin/sh
# Installs every Debian 12 package the build, the programs and the tests need.
# Runs as root, or through sudo when started by another user.
set -e
SUDO=
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
PKGS="build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
  libcurl4-openssl-dev ca-certificates openssl zlib1g-dev libjpeg-dev libdeflate-dev libisal-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  nginx-light curl xvfb xauth x11-utils fonts-dejavu-core shared-mime-info xdg-utils
  zip unzip p7zip-full 7zip libarchive-tools ziptool python3 time"
missing=
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends $missing
fi

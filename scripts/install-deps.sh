#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and running
# Quillbrook needs. Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # building
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libgl-dev libzip-dev
  # the damage check of converted inputs reads MOBI files through libmobi
  libmobi-dev libmobi0
  # the converter that the program drives
  calibre
  # tests on a real X server, benchmarks and archive tools
  xvfb xauth x11-utils fonts-liberation zip unzip
  # the desktop files, their validators, the icon sizes, the Debian package,
  # and driving the installed program on the X server
  librsvg2-bin desktop-file-utils appstream dpkg-dev xdotool
  # a private session bus (dbus-run-session) for the desktop-notification tests
  dbus-bin dbus-daemon
  # the zip component's fuzz target (libFuzzer) and its coverage report
  clang libclang-rt-14-dev llvm
)

if [ "$(id -u)" -ne 0 ]; then
  sudo=sudo
else
  sudo=
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

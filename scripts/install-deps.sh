#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Okulon need.
# Only what is missing is installed; a machine that has everything is left alone.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libsimpleini-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libx11-dev libxext-dev libxtst-dev
  xvfb xauth openbox x11-utils xdotool imagemagick
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

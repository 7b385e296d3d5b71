#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need,
# skipping what is already there. Usage: tools/install-dependencies.sh [run|test|bench|fuzz|format]
set -euo pipefail

packages=(build-essential cmake pkg-config libx11-dev libgl1-mesa-dev libglu1-mesa-dev
          libgl1-mesa-dri xvfb x11-utils xdotool imagemagick)
if [ "${1:-run}" = test ]; then
    packages+=(libxtst-dev libgtest-dev googletest mingw-w64 libstb-dev libassimp-dev assimp-testmodels wine wine64 openbox)
fi
if [ "${1:-run}" = fuzz ]; then
    packages+=(clang libclang-rt-14-dev)
fi
if [ "${1:-run}" = format ]; then
    packages=(clang-format)
fi
if [ "${1:-run}" = bench ]; then
    packages+=(libbenchmark-dev libbullet-dev libstb-dev libglfw3-dev)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

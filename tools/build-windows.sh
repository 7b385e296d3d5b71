#!/usr/bin/env bash
# Cross-compiles velmora.exe for 64-bit Windows with mingw-w64 and lays out
# its runtime directory in build-windows/.
set -euo pipefail
cd "$(dirname "$0")/.."

command -v x86_64-w64-mingw32-g++ >/dev/null || tools/install-dependencies.sh test

cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=Release -DVELMORA_WERROR=ON >/dev/null
cmake --build build-windows -j"$(nproc)"
echo "Windows build: build-windows/velmora.exe"

#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors, and runs every test on a
# private Xvfb display; then the Windows build's tests under Wine
# (tools/test-wine.sh), unless --without-wine comes first.
# Usage: tools/test.sh [--without-wine] [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."

wine_stage=yes
if [ "${1:-}" = --without-wine ]; then
    wine_stage=no
    shift
fi

tools/install-dependencies.sh test

build=build-tests
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_WERROR=ON \
      -DVELMORA_BUILD_TESTS=ON -DVELMORA_BUILD_BENCH=OFF -DVELMORA_BUILD_FUZZ=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

source tools/xvfb.sh
start_private_display
echo "Testing on display $DISPLAY"
export UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"

if [ $wine_stage = yes ]; then
    tools/test-wine.sh "$build"
else
    echo "The Wine stage was left out (--without-wine)"
fi

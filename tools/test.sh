#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors, and runs every test on a
# private Xvfb display. Usage: tools/test.sh [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-dependencies.sh test

build=build-tests
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

source tools/xvfb.sh
start_private_display
echo "Testing on display $DISPLAY"
export UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"

#!/usr/bin/env bash
# Runs the real program, built with AddressSanitizer and
# UndefinedBehaviorSanitizer (the test build, build-tests/), on a private Xvfb
# display for the given number of seconds while velmora_longrun drives it at
# random: keys (the bound ones among them), the mouse, focus changes and
# resizes. Passes when Escape then ends it with exit code 1, the sanitizers
# report nothing and its memory did not grow after the first seconds.
#
#   tools/long-run.sh SECONDS [--seed S]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
    echo "usage: tools/long-run.sh SECONDS [--seed S]" >&2
    exit 2
fi
seconds=$1
shift

tools/install-dependencies.sh test

build=build-tests
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_WERROR=ON \
      -DVELMORA_BUILD_TESTS=ON -DVELMORA_BUILD_BENCH=OFF -DVELMORA_BUILD_FUZZ=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmora velmora_longrun

source tools/xvfb.sh
start_private_display
echo "Long run on display $DISPLAY"
# Memory that Mesa and Xlib keep until the process ends is not ours to free.
# A small quarantine keeps freed memory from looking like growth.
export LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="quarantine_size_mb=4:allocator_release_to_os_interval_ms=500"
export UBSAN_OPTIONS=print_stacktrace=1
"$build/tests/velmora_longrun" --program "$PWD/$build/velmora" --directory "$PWD/$build" \
    --seconds "$seconds" "$@"

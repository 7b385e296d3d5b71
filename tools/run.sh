#!/usr/bin/env bash
# Builds the program and runs it from its runtime directory on your display.
# Without a display it runs on a private Xvfb display instead, saves a
# screenshot of the window after the first frames, quits the program in an
# orderly way and prints where the screenshot is.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-dependencies.sh run

build=build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmora
runtime="$(cd "$build" && pwd)"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    cd "$runtime"
    exec ./velmora
fi

source tools/xvfb.sh
start_private_display
echo "No display found: running on Xvfb display $DISPLAY"
screenshot="$runtime/velmora-screenshot.png"
rm -f "$screenshot"

cd "$runtime"
./velmora > velmora-console.txt &
program=$!

window=""
for _ in $(seq 1 100); do
    window=$(xdotool search --name '^Velmora$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    kill -0 $program 2>/dev/null || break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "The program did not open its window" >&2
    wait $program || true
    exit 1
fi

sleep 2   # let it draw its first frames
import -window "$window" "$screenshot"

# SIGTERM reaches the program as a close request: it tears down and exits with 1.
kill -TERM $program
status=0
wait $program || status=$?
echo "Its first console lines (all of them in $runtime/velmora-console.txt):"
head -n 5 velmora-console.txt
echo "The program ended with exit code $status"
echo "Screenshot: $screenshot"

#!/usr/bin/env bash
# Builds the program and the benchmarks in release mode into build-bench/, runs every
# benchmark (the frame-loop one on a private Xvfb display) and prints the table of ratios
# with whether each target holds. Extra arguments go to the benchmark binary (for example
# --benchmark_filter=Tga).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-dependencies.sh bench

build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF \
      -DVELMORA_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmora_bench

source tools/xvfb.sh
start_private_display
echo "Benchmarking on display $DISPLAY; $(nproc) cores; load average:$(uptime | sed 's/.*load average://')"
"$build/bench/velmora_bench" "$@"

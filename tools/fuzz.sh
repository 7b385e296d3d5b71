#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors) into build-fuzz/ and runs
# each for the given number of seconds, as many at a time as there are
# processors. Each starts from the committed seeds in fuzz/corpus/<target>/
# and keeps what it learns in build-fuzz/corpus/<target>/.
#
#   tools/fuzz.sh SECONDS [TARGET...]    targets: model_fuzzer tga_fuzzer
#                                                 level_fuzzer inspect_fuzzer
#
# A finding (crash, sanitizer report, hang of more than 10 s, an allocation
# of 32 MB or more) is kept in build-fuzz/findings/<target>/ and fails the
# command.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
    echo "usage: tools/fuzz.sh SECONDS [TARGET...]" >&2
    exit 2
fi
seconds=$1
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(model_fuzzer tga_fuzzer level_fuzzer inspect_fuzzer)

tools/install-dependencies.sh fuzz

build=build-fuzz
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_FUZZ=ON -DVELMORA_BUILD_TESTS=OFF \
      -DVELMORA_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

# Inputs longer than the seeds need are rarely worth their time.
max_length() {
    case "$1" in
        level_fuzzer) echo 4096 ;;
        *) echo 8192 ;;
    esac
}

run_target() {
    local target=$1
    local options=(-max_total_time="$seconds" -timeout=10 -malloc_limit_mb=32
                   -rss_limit_mb=2048 -max_len="$(max_length "$target")" -print_final_stats=1
                   -artifact_prefix="$build/findings/$target/")
    [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
    mkdir -p "$build/corpus/$target" "$build/findings/$target"
    local status=0
    # The targets hand their inputs to the readers as files: memory is faster than a disk.
    local scratch=${TMPDIR:-/tmp}
    [ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm
    TMPDIR=$scratch "$build/fuzz/$target" "${options[@]}" "$build/corpus/$target" \
        "fuzz/corpus/$target" > "$build/$target.log" 2>&1 || status=$?
    echo "$status" > "$build/$target.status"
}

echo "Fuzzing ${targets[*]} for $seconds s each (logs in $build/<target>.log)"
jobs_at_once=$(nproc)
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs_at_once" ]; do wait -n || true; done
    rm -f "$build/$target.status"
    run_target "$target" &
done
wait

failed=0
for target in "${targets[@]}"; do
    status=$(cat "$build/$target.status" 2>/dev/null || echo "no status")
    log="$build/$target.log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    corpus=$(grep -o 'corp: [0-9]*/[0-9a-zA-Z]*' "$log" | tail -n 1 || true)
    if [ "$status" = 0 ]; then
        echo "$target: ${runs:-?} runs, $corpus, no finding"
    else
        failed=1
        echo "$target: FINDING after ${runs:-?} runs (exit $status); the input is in $build/findings/$target/"
        grep -E -m 20 'ERROR|SUMMARY|runtime error|broken:|Test unit written' "$log" || tail -n 30 "$log"
    fi
done
exit $failed

#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for the given number of
# seconds (default 30), starting from the seed corpora in fuzz/corpus.
# Usage: scripts/fuzz.sh [seconds] [target...]
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build/fuzz"
SECONDS_EACH="${1:-30}"
shift || true

declare -A CORPUS=(
    [StateChunkFuzzer]=state
    [PresetFileFuzzer]=preset
    [PresetNameFuzzer]=names
    [ValueLabelFuzzer]=label
    [AudioPathFuzzer]=audio
)
TARGETS=("$@")
[ "${#TARGETS[@]}" -gt 0 ] || TARGETS=(StateChunkFuzzer PresetFileFuzzer PresetNameFuzzer ValueLabelFuzzer AudioPathFuzzer)

juce_arg=()
[ -n "${EMBERLASH_JUCE_DIR:-}" ] && juce_arg=("-DEMBERLASH_JUCE_DIR=$EMBERLASH_JUCE_DIR")

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DEMBERLASH_FUZZ=ON -DEMBERLASH_BUILD_BENCHMARKS=OFF "${juce_arg[@]}"
cmake --build "$BUILD" --target "${TARGETS[@]}" -j "$(nproc)"

for target in "${TARGETS[@]}"; do
    work="$BUILD/corpus/$target"
    artifacts="$BUILD/artifacts/$target"
    mkdir -p "$work" "$artifacts"
    echo "fuzz: $target for ${SECONDS_EACH}s"
    log="$BUILD/$target.log"
    rc=0
    "$BUILD/fuzz/$target" -max_total_time="$SECONDS_EACH" -print_final_stats=1 -timeout=20 \
        -rss_limit_mb=4096 -artifact_prefix="$artifacts/" \
        "$work" "$ROOT/fuzz/corpus/${CORPUS[$target]}" > "$log" 2>&1 || rc=$?
    grep -E "^(Done [0-9]+ runs|stat::number_of_executed_units)" "$log" || true
    if [ "$rc" -ne 0 ]; then
        tail -n 60 "$log" >&2
        echo "fuzz: $target found a fault (exit $rc); the input is in $artifacts" >&2
        exit 1
    fi
done

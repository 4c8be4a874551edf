#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them: the audio path in-process and
# through the built VST3 bundle, the editor's paint and timer costs, and the
# host process's CPU with the editor open (Editor/HostCpu, about two minutes).
# Arguments go to the benchmark program, for example
#   ./scripts/bench.sh --benchmark_filter='48000Hz/stereo/512' --benchmark_repetitions=5
# EMBERLASH_JUCE_DIR=<folder> builds against another JUCE 8 tree;
# EMBERLASH_BUILD_JOBS=<n> limits the parallel build jobs.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build/bench"
JOBS="${EMBERLASH_BUILD_JOBS:-$(nproc)}"

"$ROOT/scripts/setup.sh"

cmake_args=(-S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release
            -DEMBERLASH_BUILD_TESTS=OFF -DEMBERLASH_BUILD_BENCHMARKS=ON)
[ -n "${EMBERLASH_JUCE_DIR:-}" ] && cmake_args+=("-DEMBERLASH_JUCE_DIR=$EMBERLASH_JUCE_DIR")

cmake "${cmake_args[@]}"
cmake --build "$BUILD" --target emberlash_benchmarks -j "$JOBS"

bench="$BUILD/benchmarks/emberlash_benchmarks"

# The editor's benchmarks need an X server; without a display, a virtual one.
if [ -n "${DISPLAY:-}" ]; then
    "$bench" "$@"
else
    xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" "$bench" "$@"
fi

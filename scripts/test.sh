#!/usr/bin/env bash
# Builds everything and runs every test, editor tests under a virtual X server.
# EMBERLASH_JUCE_DIR=<folder> builds against another JUCE 8 tree.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build/test"

"$ROOT/scripts/setup.sh"

juce_arg=()
[ -n "${EMBERLASH_JUCE_DIR:-}" ] && juce_arg=("-DEMBERLASH_JUCE_DIR=$EMBERLASH_JUCE_DIR")

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug "${juce_arg[@]}"
cmake --build "$BUILD" -j "$(nproc)"

# A known screen size: the editor's sizing tests depend on it.
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" \
    ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)" --timeout 600

# The threads test again under ThreadSanitizer; any report fails the run.
TSAN_BUILD="$ROOT/build/tsan"
cmake -S "$ROOT" -B "$TSAN_BUILD" -DCMAKE_BUILD_TYPE=Debug -DEMBERLASH_SANITIZE=thread "${juce_arg[@]}"
cmake --build "$TSAN_BUILD" --target emberlash_concurrency_tests -j "$(nproc)"
TSAN_OPTIONS="halt_on_error=1 exitcode=66 suppressions=$ROOT/tests/sanitizers/tsan.supp" \
    "$TSAN_BUILD/tests/emberlash_concurrency_tests"

# The unit, host and editor tests again with AddressSanitizer and Undefined-
# BehaviorSanitizer; the first finding fails the run.
ASAN_BUILD="$ROOT/build/asan"
ASAN_TESTS=(emberlash_unit_tests emberlash_host_tests emberlash_editor_tests emberlash_window_tests
            emberlash_preset_ui_tests)
cmake -S "$ROOT" -B "$ASAN_BUILD" -DCMAKE_BUILD_TYPE=Debug -DEMBERLASH_SANITIZE=address \
    -DEMBERLASH_BUILD_BENCHMARKS=OFF "${juce_arg[@]}"
cmake --build "$ASAN_BUILD" --target "${ASAN_TESTS[@]}" -j "$(nproc)"
# The host test loads and unloads the instrumented bundle, and LeakSanitizer's
# exit-time scan of such a process has crashed on its own (a tracer fault, not
# a leak); that process is checked for memory errors only, and the same plug-in
# code is leak-checked in the four in-process test programs.
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for test in "${ASAN_TESTS[@]}"; do
    leaks=1
    [ "$test" = emberlash_host_tests ] && leaks=0
    ASAN_OPTIONS="detect_leaks=$leaks:abort_on_error=1:strict_string_checks=1" \
        xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" "$ASAN_BUILD/tests/$test"
done
unset UBSAN_OPTIONS

# Each fuzz target for a short, bounded time.
"$ROOT/scripts/fuzz.sh" 30

#!/usr/bin/env bash
# Builds the Release VST3 bundle and installs it into ~/.vst3.
# EMBERLASH_JUCE_DIR=<folder> builds against another JUCE 8 tree.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build/release"

"$ROOT/scripts/setup.sh"

cmake_args=(-S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DEMBERLASH_BUILD_TESTS=OFF)
[ -n "${EMBERLASH_JUCE_DIR:-}" ] && cmake_args+=("-DEMBERLASH_JUCE_DIR=$EMBERLASH_JUCE_DIR")

cmake "${cmake_args[@]}"
cmake --build "$BUILD" --target Emberlash_VST3 -j "$(nproc)"

bundle="$BUILD/Emberlash_artefacts/Release/VST3/Emberlash.vst3"
dest="$HOME/.vst3"
mkdir -p "$dest"
rm -rf "$dest/Emberlash.vst3"
cp -R "$bundle" "$dest/"
echo "Installed $dest/Emberlash.vst3"

#!/usr/bin/env bash
# Prepares a Debian 12 machine to build Emberlash: installs the build
# dependencies and brings JUCE 8 into .deps/JUCE. Safe to run again.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DEPS="$ROOT/.deps"
JUCE_DIR="$DEPS/JUCE"
JUCE_SUITE="${JUCE_SUITE:-trixie}"

die() { echo "setup: $*" >&2; exit 1; }

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || die "run as root or install sudo"
    SUDO="sudo"
fi

PACKAGES=(
    build-essential cmake pkg-config git dpkg-dev ca-certificates
    libgtest-dev libgmock-dev libbenchmark-dev
    clang-14 libclang-rt-14-dev
    xvfb xauth
    libasound2-dev libfreetype-dev libfontconfig1-dev
    libx11-dev libxcomposite-dev libxcursor-dev libxext-dev libxinerama-dev
    libxrandr-dev libxrender-dev libxtst-dev
    libflac-dev libvorbis-dev libogg-dev libjpeg-dev libpng-dev zlib1g-dev
    libharfbuzz-dev ladspa-sdk
)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        echo "setup: build dependencies already installed"
        return
    fi
    echo "setup: installing ${missing[*]}"
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
}

# The Debian mirrors this machine already uses: URIs of its configured
# sources that carry a release suite (not security or updates).
debian_mirrors() {
    {
        for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
            [ -f "$f" ] || continue
            awk '$1=="deb" || $1=="deb-src" {
                    i=2; if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
                    uri=$i; suite=$(i+1)
                    if (suite !~ /-/ && uri !~ /security/) print uri }' "$f"
        done
        for f in /etc/apt/sources.list.d/*.sources; do
            [ -f "$f" ] || continue
            awk 'BEGIN { RS=""; FS="\n" }
                 { uris=""; suites=""; enabled=1
                   for (k=1; k<=NF; k++) {
                       if ($k ~ /^URIs:/)    { uris=$k;   sub(/^URIs:[ \t]*/, "", uris) }
                       if ($k ~ /^Suites:/)  { suites=$k; sub(/^Suites:[ \t]*/, "", suites) }
                       if ($k ~ /^Enabled:[ \t]*no/) enabled=0
                   }
                   if (!enabled) next
                   n=split(suites, s, /[ \t]+/); plain=0
                   for (k=1; k<=n; k++) if (s[k] != "" && s[k] !~ /-/) plain=1
                   if (!plain) next
                   m=split(uris, u, /[ \t]+/)
                   for (k=1; k<=m; k++) if (u[k] != "" && u[k] !~ /security/) print u[k] }' "$f"
        done
    } | awk '!seen[$0]++'
}

fetch_juce() {
    if [ -n "${EMBERLASH_JUCE_DIR:-}" ]; then
        echo "setup: using the JUCE tree in $EMBERLASH_JUCE_DIR"
        return
    fi
    if [ -f "$JUCE_DIR/CMakeLists.txt" ] && [ -f "$JUCE_DIR/.emberlash-version" ]; then
        echo "setup: JUCE $(cat "$JUCE_DIR/.emberlash-version") already in $JUCE_DIR"
        return
    fi
    local mirrors
    mirrors="$(debian_mirrors)"
    [ -n "$mirrors" ] || die "no Debian mirror found in this machine's apt sources; cannot fetch JUCE 8 (or pass -DEMBERLASH_JUCE_DIR=<folder> to CMake)"

    local apt="$DEPS/apt"
    rm -rf "$apt"
    mkdir -p "$apt/etc/preferences.d" "$apt/etc/apt.conf.d" "$apt/etc/sources.list.d" \
             "$apt/state/lists/partial" "$apt/cache/archives/partial" "$apt/download"
    : > "$apt/etc/sources.list"
    local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    while read -r uri; do
        echo "deb-src [signed-by=$keyring] $uri $JUCE_SUITE main" >> "$apt/etc/sources.list"
    done <<< "$mirrors"

    local opts=(
        -o "Dir::Etc=$apt/etc"
        -o "Dir::Etc::sourcelist=$apt/etc/sources.list"
        -o "Dir::Etc::sourceparts=$apt/etc/sources.list.d"
        -o "Dir::Etc::parts=$apt/etc/apt.conf.d"
        -o "Dir::Etc::preferencesparts=$apt/etc/preferences.d"
        -o "Dir::State=$apt/state"
        -o "Dir::State::status=/var/lib/dpkg/status"
        -o "Dir::Cache=$apt/cache"
        -o "APT::Sandbox::User=$(id -un)"
        -o "Acquire::Retries=3"
    )
    echo "setup: reading the $JUCE_SUITE source index"
    apt-get "${opts[@]}" update || die "could not read the $JUCE_SUITE source index from this machine's Debian mirror; cannot fetch JUCE 8"
    (cd "$apt/download" && apt-get "${opts[@]}" source --download-only juce) \
        || die "the source package juce is not available from the $JUCE_SUITE archive; cannot fetch JUCE 8"

    local dsc
    dsc="$(ls "$apt/download"/juce_*.dsc 2>/dev/null | head -n1)"
    [ -n "$dsc" ] || die "no juce .dsc was downloaded"
    local version
    version="$(awk '/^Version:/ { print $2; exit }' "$dsc")"
    case "$version" in
        8.*) ;;
        *) die "the $JUCE_SUITE archive offers JUCE $version, but Emberlash needs JUCE 8" ;;
    esac

    # apt has checked the files against the signed archive index.
    echo "setup: unpacking JUCE $version"
    rm -rf "$DEPS/juce-unpack" "$JUCE_DIR"
    dpkg-source --no-check -x "$dsc" "$DEPS/juce-unpack" >/dev/null || die "dpkg-source could not unpack $dsc"
    grep -q 'project(JUCE VERSION 8\.' "$DEPS/juce-unpack/CMakeLists.txt" \
        || die "the unpacked tree is not JUCE 8"
    mv "$DEPS/juce-unpack" "$JUCE_DIR"
    echo "$version" > "$JUCE_DIR/.emberlash-version"
    rm -rf "$apt"
    echo "setup: JUCE $version is in $JUCE_DIR"
}

install_packages
mkdir -p "$DEPS"
fetch_juce

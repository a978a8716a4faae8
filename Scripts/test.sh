#!/usr/bin/env bash
# Runs the whole test suite, warnings treated as errors.
set -euo pipefail
cd "$(dirname "$0")/.."

Scripts/install-deps.sh build test

echo "== Linux: release build and tests"
cmake --preset release -DBUILD_TESTING=ON -DTOVIX_WARNINGS_AS_ERRORS=ON
cmake --build --preset release
ctest --preset release -j "$(nproc)"

echo "== Install: fresh prefix, CMake package, example project, packages"
Scripts/install-deps.sh install
Scripts/test-install.sh build/release

echo "== Benchmark: build and smoke run (no timings checked)"
Scripts/install-deps.sh bench
cmake --preset bench -DTOVIX_WARNINGS_AS_ERRORS=ON
cmake --build --preset bench -j 2
build/bench/bin/CSourceBench --benchmark_min_time=0.01

echo "== Hardening: fuzzing, sanitizers, heavy cases and valgrind"
Scripts/install-deps.sh fuzz
Scripts/fuzz.sh 60
cmake --preset sanitize -DBUILD_TESTING=ON -DTOVIX_WARNINGS_AS_ERRORS=ON
cmake --build --preset sanitize
ctest --preset sanitize -j "$(nproc)"
ctest --preset heavy
# Configured again so that it finds valgrind, installed after its first run.
cmake --preset release -DBUILD_TESTING=ON -DTOVIX_WARNINGS_AS_ERRORS=ON
cmake --build --preset release
ctest --preset valgrind

echo "== Windows: mingw-w64 cross build, tests under Wine"
Scripts/install-deps.sh windows
export WINEDEBUG=-all
# A prefix of our own, so that CI's fresh machine (root, no standard input)
# needs no existing Wine set-up.
export WINEPREFIX="$PWD/build/wineprefix"
mkdir -p "$WINEPREFIX"
# One persistent server for the whole run (started before wineboot, which
# would otherwise start a short-lived one of its own).
wineserver -k 2>/dev/null || true
wineserver -p
wineboot -i >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT
cmake --preset windows -DBUILD_TESTING=ON -DTOVIX_WARNINGS_AS_ERRORS=ON
cmake --build --preset windows
ctest --preset windows
(cd build/windows && cpack -G ZIP >/dev/null &&
    unzip -l Tovix-*-win64.zip | grep -q 'bin/Tovix.exe' && echo "windows: .zip holds bin/Tovix.exe")

#!/usr/bin/env bash
# Builds Tovix and converts a generated full-size 7a35t sample bitstream.
set -euo pipefail
cd "$(dirname "$0")/.."

Scripts/install-deps.sh build
cmake --preset release -DBUILD_TESTING=OFF
cmake --build --preset release --target Tovix sample

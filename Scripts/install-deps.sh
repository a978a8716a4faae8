#!/usr/bin/env bash
# Installs the Debian packages that the named stages need, only those that
# are missing. Stages: build, test, install, bench, windows, fuzz.
set -euo pipefail

declare -A packages=(
    [build]="cmake ninja-build g++ gcc"
    [test]="libgtest-dev"
    [install]="groff-base dpkg-dev file"
    [bench]="libbenchmark-dev hyperfine time xxd"
    [windows]="g++-mingw-w64-x86-64-posix wine64 binutils-mingw-w64-x86-64 unzip"
    [fuzz]="clang libclang-rt-14-dev llvm valgrind"
)

wanted=()
for stage in "$@"; do
    [[ -n "${packages[$stage]+set}" ]] || { echo "install-deps: unknown stage '$stage'" >&2; exit 2; }
    for package in ${packages[$stage]}; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            wanted+=("$package")
    done
done
[[ ${#wanted[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
echo "Installing: ${wanted[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${wanted[@]}"

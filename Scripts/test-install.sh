#!/usr/bin/env bash
# Installs a built tree into a fresh prefix and uses it as a user would: the
# files installed, the man page, the Marlek archive from plain C, the example
# project in examples/ (build, change the .bit, rebuild, a bad .bit), the
# checks tovix_add_bitstream() makes at configure time, and the packages that
# cpack makes.
#
#     Scripts/test-install.sh [build-dir]      (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
build=$(cd "${1:-build/release}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
check() { # check <what> <command...>
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
        passed=$((passed + 1))
    else
        echo "FAILED: $what"
        failed=$((failed + 1))
    fi
}
quiet() { "$@" >/dev/null; }
contains() { grep -qF -- "$2" <<<"$1"; }
# Text with every run of blanks and line ends made one space (CMake wraps its
# error messages).
flat() { tr -s ' \n' '  ' <<<"$1"; }

config=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt" | tr '[:upper:]' '[:lower:]')
make_bit="$build/bin/MakeSampleBit"

# The files of an install or package, relative to its prefix; only these.
expected_files() { # expected_files <man page file name>
    printf '%s\n' bin/Tovix include/Marlek.h lib/libMarlek.a \
        lib/cmake/Tovix/TovixAddBitstream.cmake lib/cmake/Tovix/TovixConfig.cmake \
        lib/cmake/Tovix/TovixConfigVersion.cmake lib/cmake/Tovix/TovixTargets.cmake \
        "lib/cmake/Tovix/TovixTargets-${config:-noconfig}.cmake" "share/man/man1/$1" | sort
}
same_files() { # same_files <listing> <man page file name>
    diff <(expected_files "$2") <(sort <<<"$1") || { echo "  (< expected, > found)"; return 1; }
}

echo "-- install into a fresh prefix"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log"
check "the install holds exactly the tool, library, header, man page and package files" \
    same_files "$(cd "$prefix" && find . -type f -printf '%P\n')" Tovix.1

echo "-- man page"
groff_path=$(command -v groff || true)
check "groff is there to check the man page" test -n "$groff_path"
man_check() {
    cmake -DGROFF="$groff_path" -DMAN_PAGE="$1" -DREADME="$source/README.md" \
        -P "$source/Tests/CheckManPage.cmake" 2>&1
}
check "the installed man page is clean and lists the README's messages" \
    man_check "$prefix/share/man/man1/Tovix.1"

echo "-- the Marlek archive from C"
archive=$prefix/lib/libMarlek.a
symbols=$(nm -C "$archive")
check "the archive holds the platform layer" contains "$symbols" "T tovix::platform::FileSizeByName"
check "the archive needs no C++ runtime" \
    bash -c '! nm -u "$1" | grep -E "__gxx_|__cxa_|_Unwind_|_ZS|_Zn"' _ "$archive"
cat >"$work/load.c" <<'EOF'
#include <Marlek.h>
#include <stdio.h>
int main(int argc, char *argv[])
{
    ConfigImage *image = NULL;
    int k;
    for (k = 1; k < argc; ++k) {
        printf("%s: 0x%08lx\n", argv[k], (unsigned long)MarlekLoadFile(argv[k], &image));
    }
    return 0;
}
EOF
"$make_bit" "$work/part.bit" 8 >/dev/null
check "a C program links the archive with cc alone" \
    cc -std=c99 -Wall -Wextra -Werror -I"$prefix/include" "$work/load.c" "$archive" -o "$work/load"
loaded=$("$work/load" "$work/part.bit" "$work/missing.bit" || true)
check "and loads through it" contains "$loaded" "$work/part.bit: 0x00000000"
check "and gets its statuses" contains "$loaded" "$work/missing.bit: 0x00008007"

echo "-- the example project against the install"
bit=$work/bits/sample.bit
example=$work/example
mkdir -p "$work/bits"
"$make_bit" "$bit" 64 >/dev/null
build_example() { cmake --build "$example" 2>&1; }
cmake -G Ninja -S "$source/examples/EmbedBitstream" -B "$example" \
    -DCMAKE_PREFIX_PATH="$prefix" -DEXAMPLE_BITFILE="$bit" >"$work/configure.log"
first_build=$(build_example || true)
check "the example builds, converting the .bit" contains "$first_build" "Tovix: converting"
first=$("$example/ShowBitstream" "$bit" || true)
echo "$first" | sed 's/^/  | /'
check "it prints the compiled-in length" contains "$first" "designLength = 64 bytes"
check "its compiled-in data is the .bit's" contains "$first" "$bit matches the compiled-in copy"
check "a rebuild without changes does nothing" contains "$(build_example)" "ninja: no work to do."

"$make_bit" "$bit" 100 >/dev/null
check "a changed .bit is converted again" contains "$(build_example)" "Tovix: converting"
second=$("$example/ShowBitstream" "$bit" || true)
echo "$second" | sed 's/^/  | /'
check "the output changed with it" test "$first" != "$second"
check "to the new length" contains "$second" "designLength = 100 bytes"
check "and the new data" contains "$second" "$bit matches the compiled-in copy"

printf 'not a bitstream\n' >"$bit"
bad_build() { ! bad=$(build_example); }
check "a .bit that fails to convert fails the build" bad_build
check "with Tovix's report" contains "$bad" "**** Tovix - Function MarlekLoadFile returned an error"
check "and its status" contains "$bad" '0x00008009 : "File format is not recognised"'
check "leaving no generated C behind" test ! -e "$example/design.c"
check "so the next build fails again" bad_build
"$make_bit" "$bit" 64 >/dev/null
check "a good .bit builds again" quiet build_example
check "giving the first output back" test "$first" = "$("$example/ShowBitstream" "$bit")"

echo "-- what tovix_add_bitstream() refuses at configure time"
names=$work/names
mkdir -p "$names"
touch "$names/main.c" "$names/main.cpp"
cat >"$names/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.20)
project(Names LANGUAGES ${LANGS})
find_package(Tovix CONFIG REQUIRED)
add_executable(app ${MAIN})
foreach(call IN LISTS CALLS)
    string(REPLACE "," ";" args "${call}")
    tovix_add_bitstream(app ${args})
endforeach()
EOF
# languages | main | calls (";" between calls, "," between arguments) | expected message, or "" to configure
cases=(
    "C|main.c|design.bit,NAME,fpga_image_2|"
    "C|main.c|my-design.bit|the base name 'my-design' of my-design.bit is not a C identifier"
    "C|main.c|design.bit,NAME,2nd|NAME '2nd' is not a C identifier"
    "C|main.c|design.bit,NAME|NAME needs a value"
    "C|main.c|a.bit,NAME,image;b.bit,NAME,image|image.c is already generated in this directory"
    "CXX|main.cpp|design.bit|the generated source is C; enable C"
)
for row in "${cases[@]}"; do
    IFS='|' read -r langs main calls message <<<"$row"
    rm -rf "$names/build"
    status=0
    log=$(cmake -G Ninja -S "$names" -B "$names/build" -DCMAKE_PREFIX_PATH="$prefix" \
        -DLANGS="$langs" -DMAIN="$main" "-DCALLS=$calls" 2>&1) || status=$?
    if [[ -z $message ]]; then
        check "configures: $calls" test "$status" -eq 0
    else
        check "refuses: $calls" test "$status" -ne 0
        check "  saying: $message" contains "$(flat "$log")" "$message"
    fi
done

echo "-- packages"
packages=$work/packages
cpack --config "$build/CPackConfig.cmake" -B "$packages" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
debs=("$packages"/*.deb)
tgzs=("$packages"/*.tar.gz)
check "cpack made one .deb and one .tar.gz" test ${#debs[@]} -eq 1 -a ${#tgzs[@]} -eq 1 -a -f "${debs[0]}" -a -f "${tgzs[0]}"
check "the .deb holds the install under /usr, its man page compressed" same_files \
    "$(dpkg-deb -c "${debs[0]}" | awk '$6 !~ /\/$/ { sub("^\\./usr/", "", $6); print $6 }')" Tovix.1.gz
check "the .tar.gz holds the install" same_files \
    "$(tar tzf "${tgzs[0]}" | grep -v '/$' | sed 's|^[^/]*/||')" Tovix.1
mkdir -p "$work/deb"
dpkg-deb -x "${debs[0]}" "$work/deb"
gunzip "$work/deb/usr/share/man/man1/Tovix.1.gz"
check "the .deb's man page is clean" man_check "$work/deb/usr/share/man/man1/Tovix.1"

# The unpacked .tar.gz is a prefix like any other.
mkdir -p "$work/tgz"
tar xzf "${tgzs[0]}" -C "$work/tgz"
tgz_prefix=$(echo "$work"/tgz/*)
tgz_example=$work/tgz-example
cmake -G Ninja -S "$source/examples/EmbedBitstream" -B "$tgz_example" \
    -DCMAKE_PREFIX_PATH="$tgz_prefix" -DEXAMPLE_BITFILE="$bit" >"$work/tgz-configure.log"
check "the example builds against the unpacked .tar.gz" \
    bash -c 'cmake --build "$1" >/dev/null && grep -qF "$2/bin/Tovix" "$1/build.ninja"' _ "$tgz_example" "$tgz_prefix"
check "and gives the same output" test "$first" = "$("$tgz_example/ShowBitstream" "$bit")"

echo "install: $passed passed, $failed failed"
[[ $failed -eq 0 ]]

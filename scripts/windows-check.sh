#!/usr/bin/env bash
# Cross-compiles the library (model/, frame/, keywords/) and its unit tests for
# 64-bit Windows with MinGW-w64, and runs the tests under wine where it is
# installed. GoogleTest is built for MinGW from Debian's sources first.
#   scripts/windows-check.sh [BUILD_FOLDER]     (default build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/require-packages.sh cmake make g++-mingw-w64-x86-64-posix googletest

build=$(mkdir -p "${1:-build-windows}" && cd "${1:-build-windows}" && pwd)
toolchain=$PWD/cmake/mingw-w64.cmake
jobs=$(nproc 2>/dev/null || echo 2)

gtest=$build/googletest
if [ ! -f "$gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$build/googletest-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON -DCMAKE_INSTALL_PREFIX="$gtest"
  cmake --build "$build/googletest-build" -j "$jobs"
  cmake --install "$build/googletest-build"
fi

# wine runs the tests where it is installed (Debian's wine64, which puts its
# loader in /usr/lib/wine; it takes some 670 MB, so nothing here installs it);
# otherwise they are only built.
emulator=()
wine=$(command -v wine64 || command -v wine || ls /usr/lib/wine/wine64 2>/dev/null || true)
if [ -n "$wine" ]; then
  emulator=(-DCMAKE_CROSSCOMPILING_EMULATOR="$wine")
  export WINEPREFIX=$build/wineprefix WINEDEBUG=-all
fi
cmake -S . -B "$build/abimport" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DGTest_DIR="$gtest/lib/cmake/GTest" \
  -DABIMPORT_BUILD_TESTS=ON "${emulator[@]}" ${CMAKE_FLAGS:-}
cmake --build "$build/abimport" -j "$jobs"
if [ -z "$wine" ]; then
  echo "windows-check: built; wine is not installed, so the tests were not run"
  exit 0
fi
ctest --test-dir "$build/abimport" --output-on-failure --no-tests=error
echo "windows-check: OK (library and unit tests built with MinGW-w64, run under $wine)"

#!/usr/bin/env bash
# Builds everything and runs every test. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh cmake ninja-build g++ libgtest-dev wine wine64 g++-mingw-w64-x86-64-posix \
  clang libclang-rt-14-dev groff-base man-db lintian dpkg-dev file gzip

echo "== the Windows build, cross-built with mingw-w64"
cmake --preset mingw
cmake --build build/mingw

echo "== build and test (the Windows build's tests run under Wine)"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVASTREL_WERROR=ON \
  -DVASTREL_WINDOWS_EXE="$PWD/build/mingw/app/vastrel.exe"
cmake --build build/test
ctest --test-dir build/test --output-on-failure -j2

echo "== the Windows build's benchmark under Wine, one round as a smoke run (its times are not checked)"
bench/run-wine-benchmark.sh -r 1 -x build/mingw/app/vastrel.exe

echo "== the manual page, the Debian package, and vastrel as the package installs it"
scripts/check-package.sh build/test

echo "== the same tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVASTREL_WERROR=ON -DVASTREL_SANITIZE=ON
cmake --build build/sanitize
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize --output-on-failure -j2

echo "== the fuzz targets, built with clang, 30 seconds each from their seed corpora"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVASTREL_FUZZ=ON -DVASTREL_WERROR=ON
cmake --build build/fuzz --target fuzzers
scripts/fuzz.sh build/fuzz 30

#!/bin/sh
# Installs what the build and the tests need, builds, and runs every test; then builds the
# libraries again with AddressSanitizer and UndefinedBehaviorSanitizer and runs their tests;
# then runs the archive library's fuzz target over its seeds and fuzzes it for a minute.
set -e
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
# The tests skip what needs zip, unzip or 7z where those are missing; here every one was just
# installed, so a missing one fails the run instead of passing it with tests left out.
export VB_REQUIRE_TOOLS=1
jobs="$(nproc 2>/dev/null || echo 4)"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVB_WITH_GUI=OFF -DVB_SANITIZE=ON -DVB_WERROR=ON
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 900

"$here/scripts/fuzz.sh" 60

#!/bin/sh
# Builds the archive library's fuzz target (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/, runs it over the seed archives one by one, then
# fuzzes for SECONDS (default 60) with JOBS processes (default 1). Any finding (a crash, a
# sanitizer report, a leak, a hang over 10 s, more than 2 GB of memory, a write outside the
# extraction folder) fails the run and leaves its input in build-fuzz/findings/.
# Usage: scripts/fuzz.sh [SECONDS] [JOBS]
set -e
cd "$(dirname "$0")/.."
seconds="${1:-60}"
jobs="${2:-1}"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVB_WITH_GUI=OFF -DVB_FUZZ=ON -DVB_WERROR=ON
cmake --build build-fuzz
fuzzer=build-fuzz/tests/fuzz/vb_fuzz_archive
seeds=tests/data/fuzz-seeds
mkdir -p build-fuzz/corpus build-fuzz/findings
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
set -- -rss_limit_mb=2048 -timeout=10 -artifact_prefix=build-fuzz/findings/
"$fuzzer" "$@" "$seeds"/*
# New inputs go to build-fuzz/corpus, never into the committed seeds. Fork mode would skip
# hangs and memory blow-ups unless told not to.
if [ "$jobs" -gt 1 ]; then
  set -- "$@" -fork="$jobs" -ignore_crashes=0 -ignore_timeouts=0 -ignore_ooms=0
fi
"$fuzzer" "$@" -max_total_time="$seconds" -print_final_stats=1 build-fuzz/corpus "$seeds"

#!/usr/bin/env bash
# Runs every test tier in turn and stops at the first that fails:
#   1. native unit tests (host build), 2. the same under AddressSanitizer and
#   UndefinedBehaviorSanitizer, 3. the threaded parts under ThreadSanitizer, 4. the archive
#   walker's fuzz target for a bounded time, 5. the Windows builds, and the Wine tests of the 64-bit one (and of the 32-bit one where the
#   machine can run 32-bit Wine; elsewhere ctest reports them as skipped).
# QUENLO_FUZZ_SECONDS sets the fuzzing time (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '\n=== %s ===\n' "$*"; }
jobs=$(nproc)

for preset in host host-sanitize; do
  step "native unit tests ($preset)"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

step "threads under ThreadSanitizer (status channel, payload check, write-behind extraction, codec registration ahead of its lines, parallel compression and extraction)"
cmake --preset host-tsan >/dev/null
cmake --build --preset host-tsan -j "$jobs" --target pack_tests install_tests
build/host-tsan/tests/unit/pack/pack_tests --gtest_filter='ParallelCompressTest.*:PackTest.OutputIsTheSameForAnyNumberOfThreads:ExtractTest.*'
build/host-tsan/tests/unit/install/install_tests \
  --gtest_filter='StatusChannel*:WriteBehind*:ExtractionTest.*:PayloadCheck*:RegisterCodecsTest.*:EarlyCodecRegistration.*:InstallSequenceTest.*'

step "fuzzing the archive walker (${QUENLO_FUZZ_SECONDS:-60} s)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
corpus=build/fuzz/corpus
mkdir -p "$corpus"
cp -n tests/fuzz/seeds/* "$corpus"/ 2>/dev/null || true
build/fuzz/tests/fuzz/archive_walker_fuzz -max_total_time="${QUENLO_FUZZ_SECONDS:-60}" \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$corpus" 2>build/fuzz/fuzz.log ||
  { tail -n 40 build/fuzz/fuzz.log; exit 1; }
grep -E 'stat::number_of_executed_units' build/fuzz/fuzz.log || true

for preset in win32 win64; do
  step "Windows build and Wine tests ($preset)"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  # The install sequence test installs the small demo payload built for this tree; the GUI tests
  # install it signed too.
  scripts/make-demo-payload.sh --small --signed --tree "$preset" >/dev/null
  ctest --preset "$preset"
done

step "all test tiers passed"

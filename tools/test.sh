#!/usr/bin/env bash
# Builds everything from scratch and runs every test; then builds the core
# libraries again with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs their tests, failing on any report.
set -euo pipefail
cd "$(dirname "$0")/.."

rm -rf build build-sanitize
bash tools/setup.sh build
(cd build && ctest --output-on-failure -j 2)

# The window is left out of the sanitizer build: its tests ran above, and
# building Qt code twice would double the run on a small machine.
bash tools/setup.sh build-sanitize -DZELVON_SANITIZE=ON -DZELVON_BUILD_BENCH=OFF -DZELVON_BUILD_UI=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-sanitize && ctest --output-on-failure -j 2 -L core)

# Every fuzz target for a few seconds, as a smoke test of the targets and
# their properties; the long campaign (tools/fuzz.sh 600 or more) is run by
# hand.
bash tools/fuzz.sh 5

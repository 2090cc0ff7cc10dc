#!/usr/bin/env bash
# Set-up, build and run the whole test suite, then again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
jobs=$(nproc)
./build.sh build
ctest --test-dir build -j"$jobs" --output-on-failure
./build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DKALVO_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS=suppressions="$PWD/tests/support/lsan.supp" \
  ctest --test-dir build-asan -j"$jobs" --output-on-failure

#!/usr/bin/env bash
# Installs what is missing, builds the program and its tests and runs every
# test headless: once in a plain build, once in a build with AddressSanitizer
# and UndefinedBehaviorSanitizer (any report fails the test), then each fuzz
# target for a short while. Exits non-zero when anything fails.
#   scripts/test.sh [ctest options...]
# TAROVIK_FUZZ_SECONDS sets the time of each fuzz target (default 15; 0 skips).
source "$(dirname "$0")/common.sh"
trap report_steps EXIT
suite() { (cd "$ROOT" && ctest --preset "$@"); }
step "packages" 600 install_missing clang libclang-rt-14-dev

step "plain build" 900 build test
step "plain suite" 420 suite test "$@"

step "sanitizer build" 1200 build asan
step "sanitizer suite" 900 suite asan "$@"

FUZZ_SECONDS="${TAROVIK_FUZZ_SECONDS:-15}"
if [ "$FUZZ_SECONDS" -gt 0 ]; then
    step "fuzzers" 300 "$ROOT/scripts/fuzz.sh" "$FUZZ_SECONDS"
fi

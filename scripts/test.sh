#!/usr/bin/env bash
# Installs what is missing, builds the program and its tests and runs every
# test headless: once in a plain build, once in a build with AddressSanitizer
# and UndefinedBehaviorSanitizer (any report fails the test), then each fuzz
# target for a short while. Exits non-zero when anything fails.
#   scripts/test.sh [ctest options...]
# TAROVIK_FUZZ_SECONDS sets the time of each fuzz target (default 15; 0 skips).
source "$(dirname "$0")/common.sh"
install_missing clang libclang-rt-14-dev

build test
(cd "$ROOT" && ctest --preset test "$@")

build asan
(cd "$ROOT" && ctest --preset asan "$@")

FUZZ_SECONDS="${TAROVIK_FUZZ_SECONDS:-15}"
if [ "$FUZZ_SECONDS" -gt 0 ]; then
    "$ROOT/scripts/fuzz.sh" "$FUZZ_SECONDS"
fi

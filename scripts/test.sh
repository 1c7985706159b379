#!/usr/bin/env bash
# Installs what is missing, builds the program and its tests and runs every
# test headless: once in a plain build, once in a build with AddressSanitizer
# and UndefinedBehaviorSanitizer (any report fails the test), then each fuzz
# target for a short while. Exits non-zero when anything fails.
#   scripts/test.sh [ctest options...]
# TAROVIK_FUZZ_SECONDS sets the time of each fuzz target (default 15; 0 skips).
source "$(dirname "$0")/common.sh"
install_missing clang libclang-rt-14-dev

build "$ROOT/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAROVIK_BUILD_TESTS=ON
(cd "$ROOT/build-test" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 "$@")

build "$ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DTAROVIK_BUILD_TESTS=ON \
    -DCMAKE_CXX_FLAGS="$SANITIZE -O1" -DCMAKE_EXE_LINKER_FLAGS="$SANITIZE"
(cd "$ROOT/build-asan" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 "$@")

FUZZ_SECONDS="${TAROVIK_FUZZ_SECONDS:-15}"
if [ "$FUZZ_SECONDS" -gt 0 ]; then
    "$ROOT/scripts/fuzz.sh" "$FUZZ_SECONDS"
fi

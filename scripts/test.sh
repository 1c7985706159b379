#!/usr/bin/env bash
# Installs what is missing, builds the program and its tests and runs every
# test headless. Exits non-zero when a test fails.
source "$(dirname "$0")/common.sh"
install_missing
build "$ROOT/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAROVIK_BUILD_TESTS=ON
cd "$ROOT/build-test"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 "$@"

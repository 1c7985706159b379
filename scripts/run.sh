#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
source "$(dirname "$0")/common.sh"
install_missing
build "$ROOT/build" -DCMAKE_BUILD_TYPE=Release -DTAROVIK_BUILD_TESTS=OFF
exec "$ROOT/build/src/app/Tarovik_RS232" "$@"

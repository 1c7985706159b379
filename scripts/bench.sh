#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks in Release and runs them
# under a virtual X server; prints a table of figures, each beside its
# reference. Arguments go to the bench program, e.g. "receive files --quick".
source "$(dirname "$0")/common.sh"
install_missing
DIR="$ROOT/build-bench"
build bench
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$DIR/bench/bench" "$@"

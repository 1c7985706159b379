#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each on its seed corpus.
#   scripts/fuzz.sh [seconds per target]   (default 20)
source "$(dirname "$0")/common.sh"
install_missing clang libclang-rt-14-dev
SECONDS_EACH="${1:-20}"
DIR="$ROOT/build-fuzz"
TARGETS=(fuzz_inifile fuzz_decoder fuzz_journalfile fuzz_recovery fuzz_outbox)
build fuzz
mkdir -p "$DIR/artifacts"
for name in "${TARGETS[@]}"; do
    target="$DIR/fuzz/$name"
    corpus="$DIR/corpus/${name#fuzz_}"
    log="$DIR/$name.log"
    mkdir -p "$corpus"
    echo "== $name (${SECONDS_EACH} s)"
    # The corpus grows in the build folder; the seeds in the repository stay as they are.
    status=0
    "$target" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$DIR/artifacts/$name-" \
        "$corpus" "$ROOT/fuzz/corpus/${name#fuzz_}" >"$log" 2>&1 || status=$?
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)" "$log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log"
        echo "$name failed (exit $status); the input is in $DIR/artifacts/"
        exit 1
    fi
done

#!/usr/bin/env bash
# Prints every test that skipped in the last CTest run of the given build
# folders, with the reason scripts/skips.txt gives, and fails on a skip that
# it does not explain.
#   scripts/check-skips.sh build-test build-asan
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
unexplained=0
for build in "$@"; do
    log="$ROOT/$build/Testing/Temporary/LastTest.log"
    [ -f "$log" ] || { echo "$build: no CTest log ($log)" >&2; exit 1; }
    # Qt Test's "SKIP   : Class::function(row) reason" and CTest's own skips.
    while IFS= read -r line; do
        why=""
        while IFS=$'\t' read -r text reason; do
            [[ -z "$text" || "$text" == \#* ]] && continue
            if [[ "$line" == *"$text"* ]]; then why="$reason"; break; fi
        done <"$ROOT/scripts/skips.txt"
        if [ -n "$why" ]; then
            echo "$build: ${line#SKIP   : }  [$why]"
        else
            echo "$build: ${line#SKIP   : }  [NOT EXPLAINED]"
            unexplained=$((unexplained + 1))
        fi
    done < <(grep -E '^SKIP   : |\*\*\*Skipped|\*\*\*Not Run' "$log" || true)
done
if [ "$unexplained" -gt 0 ]; then
    echo "$unexplained skip(s) not explained in scripts/skips.txt" >&2
    exit 1
fi
echo "every skip explained ($*)"

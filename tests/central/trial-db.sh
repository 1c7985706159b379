#!/usr/bin/env bash
# scripts/central-db.sh sets up a trial database a station can use: over
# TCP with the password it printed, a station login binds itself and
# appends, the supervisor reads, a wrong password is refused; run again, it
# keeps the logins and adds the missing ones. The server stops at the end
# whatever happens.
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
dir="$(mktemp -d "${TMPDIR:-/tmp}/tarovik-trial.XXXXXX")"
trap '"$ROOT/scripts/central-db.sh" stop --dir "$dir" >/dev/null; rm -rf "$dir"' EXIT

# A port nobody listens on.
while :; do
    port=$((20000 + RANDOM % 40000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || break
done

failures=0
check() { # check <name> <got> <expected>
    if [ "$2" = "$3" ]; then echo "PASS $1"; else echo "FAIL $1: expected '$3', got '$2'"; failures=$((failures + 1)); fi
}

first="$("$ROOT/scripts/central-db.sh" --dir "$dir" --port "$port" --stations 1 2>&1)" || { echo "FAIL setup: $first"; exit 1; }
password_of() { printf '%s\n' "$1" | awk -v login="$2" '$1 == login { print $2 }'; }
station_password="$(password_of "$first" station_1)"
supervisor_password="$(password_of "$first" supervisor)"
check connection_printed "$(printf '%s\n' "$first" | grep -c "host=127.0.0.1 port=$port dbname=tarovik")" 1

# as <login> <password> <statements>: over TCP, as a station would connect.
as() {
    PGPASSWORD="$2" psql -X -q -At -h 127.0.0.1 -p "$port" -d tarovik -U "$1" -v VERBOSITY=verbose -c "$3" 2>&1
}
UUID=44444444-4444-4444-8444-444444444444
event='[{"seq": 1, "station_time": "2026-12-09T08:00:00Z", "utc_offset": 0, "os_user": "x", "kind": "emptied", "reason": "new"}]'
check station_binds "$(as station_1 "$station_password" "SELECT tarovik.last_committed('$UUID', 'Весы 1')")" 0
check station_appends "$(as station_1 "$station_password" "SELECT tarovik.append_events('$UUID', '$event')")" 1
check supervisor_reads "$(as supervisor "$supervisor_password" "SELECT name, last_seq FROM tarovik.station_list")" "Весы 1|1"
wrong="$(as station_1 "not-$station_password" "SELECT 1")"
check wrong_password_refused "$([[ "$wrong" == *"password authentication failed"* ]] && echo refused || echo "$wrong")" refused

second="$("$ROOT/scripts/central-db.sh" --dir "$dir" --port "$port" --stations 2 2>&1)" || { echo "FAIL second run: $second"; exit 1; }
check second_run_adds_only_the_missing "$(printf '%s\n' "$second" | awk '$1 ~ /^(station_[0-9]+|supervisor)$/ { print $1 }')" station_2
check first_password_kept "$(as station_1 "$station_password" "SELECT tarovik.last_committed('$UUID', NULL)")" 1

echo "$failures failed"
[ "$failures" -eq 0 ]

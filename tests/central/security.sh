#!/usr/bin/env bash
# The central journal's guarantees against a real server: what each role may
# not do, the append-only triggers (also against a superuser), the insert
# function's answers to a resent, a reused and a skipped number, the schema
# version, and the views. Run inside scripts/pg-test-server.sh run, which
# sets PGHOST, PGPORT and PGDATABASE and loads the schema.
set -uo pipefail

failures=0
fail() { echo "FAIL $1: $2"; failures=$((failures + 1)); }
pass() { echo "PASS $1"; }
# expect_refused <name> <SQLSTATE> <psql output>
expect_refused() {
    if [[ "$3" == *"ERROR:  $2:"* ]]; then pass "$1"; else fail "$1" "expected $2, got: $3"; fi
}

# sql <role> <statements>: runs them in one session as <role>; prints the
# rows unaligned and, on an error, the line "...ERROR:  <SQLSTATE>: ...".
sql() {
    printf '%s\n' "$2" | psql -X -q -At -U "$1" -v ON_ERROR_STOP=1 -v VERBOSITY=verbose 2>&1
}

# A station's event at the current time, as the station sends it:
# event <seq> <kind-specific JSON members>.
now="$(date -u +%Y-%m-%dT%H:%M:%S.123Z)"
event() {
    printf '{"seq": %s, "station_time": "%s", "utc_offset": 10800, "os_user": "оператор", %s}' "$1" "$now" "$2"
}
recorded() { # recorded <seq> <weight text> <unit> <note>
    local cells="\"nom_pp\": \"$1\", \"weight_text\": \"$2\", \"unit\": \"$3\", \"stat\": \"S\""
    cells+=", \"time_text\": \"09.12.2026 11:00:00\", \"note\": \"$4\""
    event "$1" "\"kind\": \"recorded\", \"scale_type\": 0, \"journal_file\": \"\", $cells, \"weight\": \"${2// /}\""
}
append() { # append <role> <station uuid> <JSON array>
    sql "$1" "SELECT tarovik.append_events('$2', \$json\$$3\$json\$)"
}

A=11111111-1111-4111-8111-111111111111
B=22222222-2222-4222-8222-222222222222

psql -X -q -v ON_ERROR_STOP=1 <<'EOF' || { echo "FAIL setting up the roles"; exit 1; }
CREATE ROLE station_a LOGIN IN ROLE tarovik_station;
CREATE ROLE station_b LOGIN IN ROLE tarovik_station;
CREATE ROLE station_c LOGIN IN ROLE tarovik_station;
CREATE ROLE viewer_v LOGIN IN ROLE tarovik_viewer;
CREATE ROLE stranger LOGIN;
EOF

# Binding: the first call binds a role to its UUID.
[ "$(sql station_a "SELECT tarovik.last_committed('$A', 'Весы 1')")" = 0 ] || fail binding "station_a not bound"
[ "$(sql station_b "SELECT tarovik.last_committed('$B', 'Весы 2')")" = 0 ] || fail binding "station_b not bound"

batch1="[$(recorded 1 '  0.1' kg 'первая'), $(recorded 2 '  0.2' kg ''), $(recorded 3 ' 12.5' ' g' '')]"
[ "$(append station_a "$A" "$batch1")" = 3 ] || fail first_batch "$(append station_a "$A" "$batch1")"
[ "$(append station_b "$B" "[$(recorded 1 '  1.5' kg 'Б')]")" = 1 ] || fail first_batch "station_b"

# Each case: name | role | SQLSTATE expected | statements. Every one must be
# refused with that SQLSTATE.
refused_cases() {
    cat <<EOF
station_selects_events|station_a|42501|SELECT count(*) FROM tarovik.events
station_selects_a_partition|station_a|42501|SELECT count(*) FROM tarovik.events_default
station_selects_stations|station_a|42501|SELECT * FROM tarovik.stations
station_reads_a_view|station_a|42501|SELECT count(*) FROM tarovik.readings
station_updates_events|station_a|42501|UPDATE tarovik.events SET note = 'x'
station_deletes_events|station_a|42501|DELETE FROM tarovik.events
station_truncates_events|station_a|42501|TRUNCATE tarovik.events
station_inserts_directly|station_a|42501|INSERT INTO tarovik.events (station, seq, station_time, utc_offset, os_user, kind) VALUES ('$A', 9, now(), 0, 'x', 'deleted')
station_sends_another_stations_uuid|station_a|42501|SELECT tarovik.append_events('$B', '[$(recorded 2 ' 1.0' kg '')]')
station_claims_a_second_uuid|station_a|42501|SELECT tarovik.last_committed('$B', 'чужая')
new_role_claims_a_bound_uuid|station_c|42501|SELECT tarovik.last_committed('$A', 'чужая')
unbound_role_appends|station_c|42501|SELECT tarovik.append_events('$A', '[$(recorded 4 ' 1.0' kg '')]')
station_creates_a_table|station_a|42501|CREATE TABLE tarovik.mine (x int)
station_creates_a_temporary_table|station_a|42501|CREATE TEMPORARY TABLE mine (x int)
station_creates_a_schema|station_a|42501|CREATE SCHEMA mine
station_drops_a_month|station_a|42501|DROP TABLE tarovik.events_default
station_alters_events|station_a|42501|ALTER TABLE tarovik.events DISABLE TRIGGER USER
station_creates_partitions|station_a|42501|SELECT tarovik.create_partitions(1)
station_becomes_owner|station_a|42501|SET ROLE tarovik_owner
viewer_selects_events|viewer_v|42501|SELECT count(*) FROM tarovik.events
viewer_selects_stations|viewer_v|42501|SELECT * FROM tarovik.stations
viewer_appends|viewer_v|42501|SELECT tarovik.append_events('$A', '[]')
viewer_creates_a_view|viewer_v|42501|CREATE VIEW tarovik.mine AS SELECT 1
station_reads_a_history|station_a|42501|SELECT * FROM tarovik.reading_history('$A', 1)
station_reads_a_selection|station_a|42501|SELECT * FROM tarovik.selection_totals(NULL, NULL, NULL, NULL, NULL)
stranger_binds_itself|stranger|42501|SELECT tarovik.last_committed('33333333-3333-4333-8333-333333333333', 'чужая')
stranger_appends|stranger|42501|SELECT tarovik.append_events('$A', '[]')
stranger_reads_a_view|stranger|42501|SELECT count(*) FROM tarovik.readings
superuser_updates_events|postgres|TK003|UPDATE tarovik.events SET note = 'x'
superuser_deletes_events|postgres|TK003|DELETE FROM tarovik.events WHERE seq = 1
superuser_truncates_events|postgres|TK003|TRUNCATE tarovik.events
superuser_truncates_a_month|postgres|TK003|SELECT format('TRUNCATE tarovik.events_%s', to_char(now() AT TIME ZONE 'UTC', 'YYYY_MM')) \gexec
superuser_truncates_the_deletion_marks|postgres|TK003|TRUNCATE tarovik.deleted_readings
station_selects_deletion_marks|station_a|42501|SELECT count(*) FROM tarovik.deleted_readings
superuser_truncates_the_default|postgres|TK003|TRUNCATE tarovik.events_default
superuser_deletes_from_a_month|postgres|TK003|SELECT format('DELETE FROM tarovik.events_%s', to_char(now() AT TIME ZONE 'UTC', 'YYYY_MM')) \gexec
reused_number_other_weight|station_a|TK001|SELECT tarovik.append_events('$A', '[$(recorded 2 '  0.3' kg '')]')
reused_number_other_note|station_a|TK001|SELECT tarovik.append_events('$A', '[$(recorded 3 ' 12.5' ' g' 'другое')]')
reused_number_other_kind|station_a|TK001|SELECT tarovik.append_events('$A', '[$(event 1 '"kind": "deleted", "readings": [1]')]')
one_number_twice_in_a_batch|station_a|TK001|SELECT tarovik.append_events('$A', '[$(recorded 4 ' 1.0' kg ''), $(recorded 4 ' 2.0' kg '')]')
gap_after_the_last_number|station_a|TK002|SELECT tarovik.append_events('$A', '[$(recorded 5 ' 1.0' kg '')]')
recorded_without_cells|station_a|23514|SELECT tarovik.append_events('$A', '[$(event 4 '"kind": "recorded", "scale_type": 2, "weight_text": "1"')]')
note_change_of_a_later_reading|station_a|23514|SELECT tarovik.append_events('$A', '[$(event 4 '"kind": "note_changed", "reading": 4, "note_old": "", "note": "x"')]')
unknown_key|station_a|TK004|SELECT tarovik.append_events('$A', '[$(event 4 '"kind": "deleted", "readings": [1], "reason_why": "x"')]')
event_without_number|station_a|23502|SELECT tarovik.append_events('$A', '[{"station_time": "$now", "utc_offset": 0, "os_user": "x", "kind": "deleted", "readings": [1]}]')
batch_not_an_array|station_a|22023|SELECT tarovik.append_events('$A', '{"seq": 4}')
unknown_kind|station_a|23514|SELECT tarovik.append_events('$A', '[$(event 4 '"kind": "weighed"')]')
EOF
}

while IFS='|' read -r name role state statements; do
    expect_refused "$name" "$state" "$(sql "$role" "$statements")"
done < <(refused_cases)

# Events whose texts need escapes, built here so that the cases below hold
# no backslash: a note with Tab, CR LF, quotes and a character outside
# Windows-1251, and a Windows path.
tricky_note='Tab\tCR\r\nкавычки '"''"' \" 😀'
note_change="$(event 5 "\"kind\": \"note_changed\", \"reading\": 1, \"note_old\": \"первая\", \"note\": \"$tricky_note\"")"
file_opened="$(event 7 '"kind": "emptied", "reason": "open", "journal_file": "C:\\Журналы\\склад.txt", "row_count": 40')"
tricky_note_sql="E'Tab\\tCR\\r\\nкавычки '' \" \\U0001F600'"

# Each case: name | role | statements | rows expected (lines joined by ";").
answered_cases() {
    cat <<EOF
resent_batch_answers_the_last_number|station_a|SELECT tarovik.append_events('$A', \$j\$$batch1\$j\$)|3
resent_tail_with_new_events|station_a|SELECT tarovik.append_events('$A', '[$(recorded 3 ' 12.5' ' g' ''), $(recorded 4 '  0.4' kg ''), $note_change]')|5
events_held_once|postgres|SELECT station = '$A', count(*), min(seq), max(seq) FROM tarovik.events GROUP BY station ORDER BY 1|f|1|1|1;t|5|1|5
server_keeps_role_and_time|postgres|SELECT DISTINCT db_user, server_time > now() - interval '1 minute', utc_offset, os_user FROM tarovik.events WHERE station = '$A'|station_a|t|10800|оператор
last_committed_after_batches|station_a|SELECT tarovik.last_committed('$A', NULL)|5
station_reads_schema_version|station_a|SELECT tarovik.schema_version()|1
deletion_and_emptying|station_a|SELECT tarovik.append_events('$A', '[$(event 6 '"kind": "deleted", "readings": [2]'), $file_opened, $(recorded 8 '  7.25' kg ''), $(recorded 9 '  0.75' kg '')]')|9
viewer_reads_readings|viewer_v|SELECT station_name, reading, deleted, in_journal FROM tarovik.readings WHERE station = '$A' ORDER BY reading|Весы 1|1|f|f;Весы 1|2|t|f;Весы 1|3|f|f;Весы 1|4|f|f;Весы 1|8|f|t;Весы 1|9|f|t
viewer_reads_the_latest_note_as_sent|viewer_v|SELECT note = $tricky_note_sql FROM tarovik.readings WHERE station = '$A' AND reading = 1|t
viewer_reads_exact_totals|viewer_v|SELECT station_name, unit, reading_count, weight_sum FROM tarovik.journal_totals ORDER BY station_name|Весы 1|kg|2|8.00;Весы 2|kg|1|1.5
viewer_reads_the_event_log|viewer_v|SELECT seq, kind, reason, journal_file, row_count FROM tarovik.event_log WHERE station = '$A' AND seq = 7|7|emptied|open|C:\Журналы\склад.txt|40
viewer_reads_the_stations|viewer_v|SELECT name, last_seq FROM tarovik.station_list ORDER BY name|Весы 1|9;Весы 2|1
one_notification_a_batch|station_b|LISTEN tarovik_events; SELECT tarovik.append_events('$B', '[$(recorded 2 ' 1.0' kg ''), $(recorded 3 ' 2.0' kg '')]');|3;Asynchronous notification "tarovik_events" with payload "$B 3" received from server process with PID
identical_event_twice_in_a_batch|station_a|SELECT tarovik.append_events('$A', '[$(recorded 10 ' 1.0' kg ''), $(recorded 10 ' 1.0' kg '')]')|10
newer_schema_is_seen|postgres|INSERT INTO tarovik.schema_versions VALUES (99); SET ROLE station_a; SELECT tarovik.schema_version()|99
EOF
}

while IFS='|' read -r name role statements expected_rest; do
    expected="${expected_rest//;/$'\n'}"
    out="$(sql "$role" "$statements")"
    # A notification names the server process, whose PID differs each run.
    out="$(printf '%s' "$out" | sed 's/\(received from server process with PID\) [0-9]*\./\1/')"
    if [ "$out" = "$expected" ]; then pass "$name"; else fail "$name" "expected:
$expected
got:
$out"; fi
done < <(answered_cases)

# A station's clock months ahead: its event waits in the default partition
# and moves to its month when that month's partition is created.
ahead="$(date -u -d "$(date -u +%Y-%m-15) +6 months" +%Y-%m-%dT12:00:00Z)"
future="{\"seq\": 4, \"station_time\": \"$ahead\", \"utc_offset\": 0, \"os_user\": \"x\", \"kind\": \"deleted\", \"readings\": [1]}"
out="$(append station_b "$B" "[$future]")"
[ "$out" = 4 ] || fail clock_ahead "append: $out"
before="$(sql postgres "SELECT count(*) FROM tarovik.events_default")"
out="$(sql postgres "SELECT tarovik.create_partitions(7) > 0; SELECT tableoid::regclass FROM tarovik.events WHERE seq = 4 AND station = '$B'; SELECT count(*) FROM tarovik.events_default")"
month="$(date -u -d "$ahead" +%Y_%m)"
if [ "$before" = 1 ] && [ "$out" = $'t\ntarovik.events_'"$month"$'\n0' ]; then pass clock_ahead_moves_to_its_month
else fail clock_ahead_moves_to_its_month "default held $before; then: $out"; fi
expect_refused new_month_refuses_truncate TK003 "$(sql postgres "TRUNCATE tarovik.events_$month")"

# Deletion marks exist by now: they are as append-only as the events.
expect_refused superuser_deletes_a_deletion_mark TK003 "$(sql postgres "DELETE FROM tarovik.deleted_readings")"

echo "$failures failed"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# A measured load of the central journal: synthetic events of one station,
# sent as a sender sends them (one call of tarovik.append_events a batch,
# each its own transaction, from a client on this machine), into a server
# started for the run with fsync on. Prints the insert rate, the bytes an
# event takes on disk (the partitions and the deletion marks, with their
# indexes) and the time of the views' reads.
#   bench/central-load.sh [events (default 10000000)] [batch (default 1000)]
# The mix: of every 100 events 93 readings, 5 note changes, 2 deletions;
# station times 2 s apart from the start of the previous month.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
EVENTS="${1:-10000000}"
BATCH="${2:-1000}"

if [ -z "${TAROVIK_PG_DIR:-}" ]; then
    TAROVIK_PG_DURABLE=1 exec "$ROOT/scripts/pg-test-server.sh" run "$0" "$@"
fi

STATION=33333333-3333-4333-8333-333333333333
psql -X -q -v ON_ERROR_STOP=1 -c "CREATE ROLE bench_station LOGIN IN ROLE tarovik_station"
psql -X -q -At -U bench_station -c "SELECT tarovik.last_committed('$STATION', 'Весы 1, склад')" >/dev/null

# The batches as SQL statements, one a line, made while psql sends them.
generate() {
    python3 - "$EVENTS" "$BATCH" "$STATION" <<'EOF'
import datetime, json, sys
events, batch, station = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
now = datetime.datetime.now(datetime.timezone.utc)
start = (now.replace(day=1, hour=0, minute=0, second=0, microsecond=0)
         - datetime.timedelta(days=1)).replace(day=1)
out = sys.stdout
for first in range(1, events + 1, batch):
    rows = []
    for seq in range(first, min(first + batch, events + 1)):
        t = start + datetime.timedelta(seconds=2 * seq)
        e = {"seq": seq, "station_time": t.strftime("%Y-%m-%dT%H:%M:%S.%f")[:-3] + "Z",
             "utc_offset": 10800, "os_user": "operator"}
        if seq % 100 in (20, 40, 60, 80, 99):
            e.update(kind="note_changed", reading=seq - 1, note_old="", note="проверено")
        elif seq % 100 in (50, 97):
            e.update(kind="deleted", readings=[seq - 3])
        else:
            grams = (seq * 7919) % 100000
            weight = "%d.%03d" % (grams // 1000, grams % 1000)
            local = t + datetime.timedelta(hours=3)
            e.update(kind="recorded", scale_type=0, journal_file="C:\\Журналы\\склад.txt",
                     nom_pp=str(seq), weight_text=weight.rjust(8), unit="kg", stat="S",
                     time_text=local.strftime("%d.%m.%Y %H:%M:%S"), note="", weight=weight)
        rows.append(e)
    text = json.dumps(rows, ensure_ascii=False, separators=(",", ":")).replace("'", "''")
    out.write("SELECT tarovik.append_events('%s', '%s');\n" % (station, text))
EOF
}

started=$(date +%s.%N)
generate | psql -X -q -At -U bench_station -v ON_ERROR_STOP=1 >/dev/null
ended=$(date +%s.%N)

psql -X -q -c "VACUUM ANALYZE tarovik.events" 
psql -X -At -F ' ' <<EOF | awk -v events="$EVENTS" -v batch="$BATCH" -v seconds="$(awk "BEGIN { print $ended - $started }")" '
NR == 1 { bytes = $1; rows = $2 }
END {
    printf "central load: %d events in batches of %d, %.1f s\n", rows, batch, seconds
    printf "  insert rate          %10.0f events/s\n", rows / seconds
    printf "  on disk              %10.0f bytes/event (tables, indexes, TOAST)\n", bytes / rows
    printf "  total                %10.1f MiB\n", bytes / 1048576
}'
SELECT sum(pg_total_relation_size(c.oid)) + pg_total_relation_size('tarovik.deleted_readings'),
       (SELECT count(*) FROM tarovik.events)
FROM pg_inherits i JOIN pg_class c ON c.oid = i.inhrelid
WHERE i.inhparent = 'tarovik.events'::regclass;
EOF

# The views over the whole load, timed by the server.
psql -X -q -At <<EOF
\timing on
\echo journal totals of the station:
SELECT unit, reading_count, weight_sum FROM tarovik.journal_totals;
\echo the last 100 readings with their notes:
SELECT count(note) FROM (SELECT note FROM tarovik.readings WHERE station = '$STATION'
                         ORDER BY reading DESC LIMIT 100) last;
\echo the last 100 readings with their notes and whether deleted:
SELECT count(*) FILTER (WHERE deleted) FROM (SELECT note, deleted FROM tarovik.readings
                         WHERE station = '$STATION' ORDER BY reading DESC LIMIT 100) last;
\echo the history of one reading:
SELECT count(*) FROM tarovik.event_log
WHERE station = '$STATION' AND (seq = 47 OR reading = 47 OR (kind = 'deleted' AND readings @> '{47}'));
EOF

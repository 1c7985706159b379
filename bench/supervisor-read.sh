#!/usr/bin/env bash
# The supervisor's reads over a central journal of a million events (five
# stations, the last 20 days, one event in 20 a note change), loaded into a
# server started for the run, then measured by build-test's supervisor_bench
# (or the one named by TAROVIK_SUPERVISOR_BENCH).
#   bench/supervisor-read.sh [events (default 1000000)]
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
EVENTS="${1:-1000000}"
BENCH="${TAROVIK_SUPERVISOR_BENCH:-$ROOT/build-test/bench/supervisor_bench}"

if [ -z "${TAROVIK_PG_DIR:-}" ]; then
    exec "$ROOT/scripts/pg-test-server.sh" run "$0" "$@"
fi

PER=$((EVENTS / 5))
started=$(date +%s)
# Loaded straight into the tables by the superuser: the load is not what
# is measured here (bench/central-load.sh measures the insert function).
psql -X -q -v ON_ERROR_STOP=1 <<SQL
CREATE ROLE bench_viewer LOGIN IN ROLE tarovik_viewer;
CREATE ROLE bench_live LOGIN IN ROLE tarovik_station;
INSERT INTO tarovik.stations (station, login, name, last_seq)
SELECT ('00000000-0000-4000-8000-00000000000' || s)::uuid, 'bench_' || s, 'Весы ' || s, $PER
FROM generate_series(1, 5) s;
INSERT INTO tarovik.events (station, seq, station_time, utc_offset, os_user, kind, scale_type,
    journal_file, nom_pp, weight_text, unit, stat, time_text, note, weight)
SELECT ('00000000-0000-4000-8000-00000000000' || s)::uuid, g,
       now() - interval '20 days' + g * (interval '20 days' / $PER) + s * interval '1 ms',
       10800, 'operator', 'recorded', 0, '', g::text, lpad(((g * 7919) % 100000 / 1000.0)::text, 8),
       'kg', 'S', '', '', (g * 7919) % 100000 / 1000.0
FROM generate_series(1, 5) s, generate_series(1, $PER) g WHERE g % 20 <> 0;
INSERT INTO tarovik.events (station, seq, station_time, utc_offset, os_user, kind, reading, note_old, note)
SELECT ('00000000-0000-4000-8000-00000000000' || s)::uuid, g,
       now() - interval '20 days' + g * (interval '20 days' / $PER) + s * interval '1 ms',
       10800, 'operator', 'note_changed', g - 1, '', 'проверено'
FROM generate_series(1, 5) s, generate_series(1, $PER) g WHERE g % 20 = 0;
VACUUM ANALYZE tarovik.events;
SQL
echo "loaded $EVENTS events in $(( $(date +%s) - started )) s"
TAROVIK_BENCH_EVENTS="$EVENTS" TAROVIK_BENCH_STATION=00000000-0000-4000-8000-000000000003 "$BENCH"

-- The supervisor's window: its pages, filters, totals of a selection and a
-- reading's history, read by tarovik_viewer.
--
--   psql -v ON_ERROR_STOP=1 -d tarovik -f sql/central/002_supervisor.sql
-- (or scripts/central-schema.sh, which applies the files missing).

\set ON_ERROR_STOP 1
BEGIN;
-- Trigrams, for finding a text in the notes (below); created by the
-- superuser that runs this file, in its usual schema.
CREATE EXTENSION IF NOT EXISTS pg_trgm;
SET LOCAL ROLE tarovik_owner;
-- What a station checks is the version of what it calls: a file that adds
-- only what viewers read (as this one) leaves it as it was, so that the
-- stations in the field go on sending. central-schema.sh still reads the
-- highest file applied from the table.
ALTER TABLE tarovik.schema_versions ADD COLUMN station_facing boolean NOT NULL DEFAULT true;
INSERT INTO tarovik.schema_versions (version, station_facing) VALUES (2, false);
CREATE OR REPLACE FUNCTION tarovik.schema_version() RETURNS integer
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    SELECT max(version) FROM tarovik.schema_versions WHERE station_facing
$$;

-- The window's order: station time, then station and number. Keyset paging
-- walks this index from a row's key, so a page costs the same on the first
-- screen and after a million rows; a station that catches up after a day
-- offline lands where its readings happened.
CREATE INDEX events_readings_in_order ON tarovik.events (station_time, station, seq)
    WHERE kind = 'recorded';

-- A note's text is found through trigrams: a filter on a text that few
-- readings have reads those, not every reading. The note changes hold the
-- later notes, so the index covers them too.
CREATE INDEX events_note_text ON tarovik.events USING gin (note gin_trgm_ops)
    WHERE note <> '';

-- The readings a filter selects: the stations (NULL for all), the station
-- time from (inclusive) and to (exclusive), a text the latest note contains
-- (case-insensitive, no pattern characters), a unit (blanks trimmed), and
-- whether deleted readings are in. A NULL argument does not filter.
-- A plain SQL function, so that the planner inlines it into the page's
-- query and walks the index above.
CREATE FUNCTION tarovik.selected_readings(p_stations uuid[], p_from timestamptz, p_to timestamptz,
                                          p_note text, p_unit text, p_with_deleted boolean)
RETURNS SETOF tarovik.readings
LANGUAGE sql STABLE AS $$
    SELECT r.* FROM tarovik.readings r
    WHERE (p_stations IS NULL OR r.station = ANY (p_stations))
      AND (p_from IS NULL OR r.station_time >= p_from)
      AND (p_to IS NULL OR r.station_time < p_to)
      AND (p_note IS NULL OR p_note = ''
           OR (strpos(lower(r.note), lower(p_note)) > 0
               -- the readings that ever had such a note, from the index
               AND (r.station, r.reading) IN (
                   SELECT l.station, CASE l.kind WHEN 'recorded' THEN l.seq ELSE l.reading END
                   FROM tarovik.event_log l
                   WHERE l.note <> '' AND l.note ILIKE '%' || replace(replace(replace(p_note,
                         '\', '\\'), '%', '\%'), '_', '\_') || '%')))
      AND (p_unit IS NULL OR p_unit = '' OR btrim(r.unit) = btrim(p_unit))
      AND (p_with_deleted OR NOT r.deleted)
$$;

-- Totals of a selection, deleted readings never counted (as a station's own
-- "Итого:"): per station and unit, and per unit over all the stations
-- selected (station NULL). Exact: numeric from the decimals the stations sent.
CREATE FUNCTION tarovik.selection_totals(p_stations uuid[], p_from timestamptz, p_to timestamptz,
                                         p_note text, p_unit text)
RETURNS TABLE (station uuid, station_name text, unit text, reading_count bigint,
               weight_count bigint, weight_sum numeric, weight_mean numeric,
               weight_min numeric, weight_max numeric, weight_stddev numeric,
               quantity_sum numeric)
LANGUAGE sql STABLE AS $$
    SELECT r.station, r.station_name, btrim(r.unit), count(*), count(r.weight), sum(r.weight),
           avg(r.weight), min(r.weight), max(r.weight), stddev_samp(r.weight), sum(r.quantity)
    FROM tarovik.selected_readings(p_stations, p_from, p_to, p_note, p_unit, false) r
    GROUP BY GROUPING SETS ((r.station, r.station_name, btrim(r.unit)), (btrim(r.unit)))
    ORDER BY r.station_name NULLS LAST, r.station, btrim(r.unit)
$$;

-- Every event of one reading in order: recorded, its note changes (old and
-- new text), its deletion. The deletion is found through deleted_readings
-- by key, not by opening every deletion's array, so the function reads
-- that table with the owner's rights.
CREATE FUNCTION tarovik.reading_history(p_station uuid, p_reading bigint)
RETURNS SETOF tarovik.event_log
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    SELECT l.* FROM tarovik.event_log l
    WHERE l.station = p_station
      AND (l.seq = p_reading
           OR (l.kind = 'note_changed' AND l.reading = p_reading)
           OR l.seq IN (SELECT d.seq FROM tarovik.deleted_readings d
                        WHERE d.station = p_station AND d.reading = p_reading))
    ORDER BY l.seq
$$;

-- The first two run with the caller's rights over the views, which read
-- with the owner's: a viewer calls them and still reads no table.
GRANT EXECUTE ON FUNCTION tarovik.selected_readings(uuid[], timestamptz, timestamptz, text, text, boolean),
                          tarovik.selection_totals(uuid[], timestamptz, timestamptz, text, text),
                          tarovik.reading_history(uuid, bigint)
    TO tarovik_viewer;

RESET ROLE;
COMMIT;

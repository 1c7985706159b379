-- The central journal: every event of every station, appended, never changed.
--
-- Run once per database by a superuser (or a role that may create roles and
-- owns the database), with psql:
--   psql -v ON_ERROR_STOP=1 -d tarovik -f sql/central/001_central_journal.sql
-- Later files (002_…) change the schema and raise tarovik.schema_version.
-- docs/central.md describes the guarantees, the roles and retention.

\set ON_ERROR_STOP 1
BEGIN;

-- The roles are the cluster's, so a second database on the same cluster
-- finds them already there.
DO $$
BEGIN
    -- Owns every object and runs the functions; nobody logs in as it.
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tarovik_owner') THEN
        CREATE ROLE tarovik_owner NOLOGIN;
    END IF;
    -- One login role per station is a member of it.
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tarovik_station') THEN
        CREATE ROLE tarovik_station NOLOGIN;
    END IF;
    -- The supervisors' logins are members of it.
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tarovik_viewer') THEN
        CREATE ROLE tarovik_viewer NOLOGIN;
    END IF;
END
$$;

-- Logins of this database make nothing of their own, not even a temporary
-- table: a station appends through the functions, a viewer reads the views.
DO $$
BEGIN
    EXECUTE format('REVOKE CREATE, TEMPORARY ON DATABASE %I FROM PUBLIC', current_database());
END
$$;

CREATE SCHEMA tarovik AUTHORIZATION tarovik_owner;
GRANT USAGE ON SCHEMA tarovik TO tarovik_station, tarovik_viewer;
-- Everything below belongs to the owner, and functions are not callable by
-- everyone as PostgreSQL's default would have it.
SET LOCAL ROLE tarovik_owner;
ALTER DEFAULT PRIVILEGES REVOKE EXECUTE ON FUNCTIONS FROM PUBLIC;

-- The versions of the schema applied here; a station refuses a server whose
-- highest version is above the one it knows.
CREATE TABLE tarovik.schema_versions (
    version    integer PRIMARY KEY,
    applied_at timestamptz NOT NULL DEFAULT now()
);
INSERT INTO tarovik.schema_versions (version) VALUES (1);

-- Each station: its UUID, the login role bound to it, its name, and the
-- last number committed from it. Only the owner reads it.
CREATE TABLE tarovik.stations (
    station  uuid PRIMARY KEY,
    login    name NOT NULL UNIQUE,
    name     text NOT NULL DEFAULT '',
    last_seq bigint NOT NULL DEFAULT 0,
    bound_at timestamptz NOT NULL DEFAULT now()
);

-- One event of one station. The station sends everything up to db_user;
-- the server adds its role and its own time. The columns of a kind are set
-- for that kind only (the checks below).
CREATE TABLE tarovik.events (
    station          uuid        NOT NULL,
    seq              bigint      NOT NULL,  -- 1, 2, 3 … per station, no gap
    station_time     timestamptz NOT NULL,  -- the station's clock, as UTC
    utc_offset       integer     NOT NULL,  -- the station's offset from UTC, seconds
    os_user          text        NOT NULL,
    kind             text        NOT NULL,
    -- recorded: every cell of the row as the journal shows it, the scale
    -- type, the journal file's name, and the weight and quantity as exact
    -- numbers where they read as numbers (else null)
    scale_type       smallint,
    journal_file     text,      -- also: the file opened (emptied, reason open)
    nom_pp           text,
    weight_text      text,
    unit             text,
    stat             text,
    kol_text         text,
    unit_weight_text text,
    time_text        text,
    note             text,      -- also: the new note (note_changed)
    weight           numeric,
    quantity         numeric,
    -- note_changed: the reading (the seq of its recorded event), old note
    reading          bigint,
    note_old         text,
    -- deleted: the readings
    readings         bigint[],
    -- emptied: new, open (journal_file, row_count), layout, restore_declined
    reason           text,
    row_count        integer,
    db_user          name        NOT NULL DEFAULT session_user,
    server_time      timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (station, seq, station_time),
    CONSTRAINT seq_positive CHECK (seq > 0),
    CONSTRAINT offset_in_range CHECK (utc_offset BETWEEN -64800 AND 64800),
    CONSTRAINT known_kind CHECK (kind IN ('recorded', 'note_changed', 'deleted', 'emptied')),
    CONSTRAINT recorded_has_cells CHECK (kind <> 'recorded' OR (
        scale_type BETWEEN 0 AND 5 AND journal_file IS NOT NULL
        AND nom_pp IS NOT NULL AND weight_text IS NOT NULL AND unit IS NOT NULL
        AND stat IS NOT NULL AND time_text IS NOT NULL AND note IS NOT NULL
        AND (scale_type IN (2, 4, 5)) = (kol_text IS NOT NULL AND unit_weight_text IS NOT NULL))),
    CONSTRAINT note_change_names_earlier_reading CHECK (kind <> 'note_changed' OR (
        reading >= 1 AND reading < seq AND note_old IS NOT NULL AND note IS NOT NULL)),
    CONSTRAINT deletion_names_readings CHECK (kind <> 'deleted' OR (
        cardinality(readings) > 0 AND array_position(readings, NULL) IS NULL)),
    CONSTRAINT emptying_has_reason CHECK (kind <> 'emptied' OR (
        reason IN ('new', 'open', 'layout', 'restore_declined')
        AND (reason <> 'open' OR (journal_file IS NOT NULL AND row_count >= 0))))
) PARTITION BY RANGE (station_time);

-- A station's clock far off (a year before the first partition, or past the
-- ones created) lands here; tarovik.create_partitions moves such rows out
-- when it creates their month.
CREATE TABLE tarovik.events_default PARTITION OF tarovik.events DEFAULT;

-- The reads of the views and of a reading's history: its note changes, the
-- deletions (all of them, and those naming it), the last emptying. Partial,
-- so that the readings, most of the events, cost these indexes nothing.
CREATE INDEX events_notes ON tarovik.events (station, reading, seq) WHERE reading IS NOT NULL;
CREATE INDEX events_deleted_readings ON tarovik.events USING gin (readings) WHERE kind = 'deleted';

-- Each deleted reading and the event that deleted it, a row a reading,
-- written by append_events beside the deletion event: the views join it by
-- key instead of opening every deletion's array. The first deletion of a
-- reading stands.
CREATE TABLE tarovik.deleted_readings (
    station uuid   NOT NULL,
    reading bigint NOT NULL,
    seq     bigint NOT NULL,
    PRIMARY KEY (station, reading)
);
CREATE INDEX events_emptyings ON tarovik.events (station, seq) WHERE kind = 'emptied';

-- What a station sends for one event: a JSON object with these keys (absent
-- keys are null, others refused).
CREATE TYPE tarovik.event_in AS (
    seq bigint, station_time timestamptz, utc_offset integer, os_user text, kind text,
    scale_type smallint, journal_file text, nom_pp text, weight_text text, unit text,
    stat text, kol_text text, unit_weight_text text, time_text text, note text,
    weight numeric, quantity numeric, reading bigint, note_old text, readings bigint[],
    reason text, row_count integer
);

-- Append-only, behind the grants: no UPDATE, DELETE or TRUNCATE, whoever
-- asks, superusers included. The one exception is create_partitions moving
-- rows out of the default partition into their month, as the owner.
CREATE FUNCTION tarovik.refuse_change() RETURNS trigger
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF TG_OP = 'DELETE' AND TG_TABLE_NAME = 'events_default'
       AND current_user = 'tarovik_owner'
       AND current_setting('tarovik.moving_to_partition', true) = 'on' THEN
        RETURN OLD;
    END IF;
    RAISE EXCEPTION 'the central journal is append-only: % on % refused', TG_OP, TG_TABLE_NAME
        USING ERRCODE = 'TK003',
              HINT = 'Old months are removed by detaching their partition (docs/central.md).';
END
$$;

CREATE TRIGGER events_append_only BEFORE UPDATE OR DELETE ON tarovik.events
    FOR EACH ROW EXECUTE FUNCTION tarovik.refuse_change();
-- A statement trigger of a partitioned table does not fire for its
-- partitions, so each partition gets its own.
CREATE TRIGGER events_no_truncate BEFORE TRUNCATE ON tarovik.events
    FOR EACH STATEMENT EXECUTE FUNCTION tarovik.refuse_change();
CREATE TRIGGER events_no_truncate BEFORE TRUNCATE ON tarovik.events_default
    FOR EACH STATEMENT EXECUTE FUNCTION tarovik.refuse_change();
CREATE TRIGGER deleted_readings_append_only BEFORE UPDATE OR DELETE ON tarovik.deleted_readings
    FOR EACH ROW EXECUTE FUNCTION tarovik.refuse_change();
CREATE TRIGGER deleted_readings_no_truncate BEFORE TRUNCATE ON tarovik.deleted_readings
    FOR EACH STATEMENT EXECUTE FUNCTION tarovik.refuse_change();

-- Creates the partitions of the months from the previous one to
-- p_months_ahead after the current one (UTC), those missing; rows of such
-- a month already in the default partition move into it. Returns how many
-- it created. Run by the administrator (cron, or a scheduler), monthly.
CREATE FUNCTION tarovik.create_partitions(p_months_ahead integer DEFAULT 3) RETURNS integer
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    v_first date := date_trunc('month', now() AT TIME ZONE 'UTC') - interval '1 month';
    v_month date;
    v_table text;
    v_created integer := 0;
BEGIN
    FOR i IN 0 .. p_months_ahead + 1 LOOP
        v_month := v_first + make_interval(months => i);
        v_table := format('events_%s', to_char(v_month, 'YYYY_MM'));
        CONTINUE WHEN to_regclass(format('tarovik.%I', v_table)) IS NOT NULL;
        -- The default partition must hold no row of the month when it is
        -- attached, so they move first.
        LOCK TABLE tarovik.events_default IN SHARE ROW EXCLUSIVE MODE;
        EXECUTE format('CREATE TABLE tarovik.%I (LIKE tarovik.events INCLUDING DEFAULTS INCLUDING CONSTRAINTS)', v_table);
        PERFORM set_config('tarovik.moving_to_partition', 'on', true);
        EXECUTE format($q$WITH moved AS (DELETE FROM tarovik.events_default
                              WHERE station_time >= ($1 AT TIME ZONE 'UTC') AND station_time < ($2 AT TIME ZONE 'UTC')
                              RETURNING *)
                          INSERT INTO tarovik.%I SELECT * FROM moved$q$, v_table)
            USING v_month::timestamp, (v_month + interval '1 month')::timestamp;
        PERFORM set_config('tarovik.moving_to_partition', 'off', true);
        EXECUTE format($q$ALTER TABLE tarovik.events ATTACH PARTITION tarovik.%I
                          FOR VALUES FROM (%L) TO (%L)$q$, v_table,
                       v_month::text || ' 00:00:00+00', (v_month + interval '1 month')::date::text || ' 00:00:00+00');
        EXECUTE format('CREATE TRIGGER events_no_truncate BEFORE TRUNCATE ON tarovik.%I
                        FOR EACH STATEMENT EXECUTE FUNCTION tarovik.refuse_change()', v_table);
        v_created := v_created + 1;
    END LOOP;
    RETURN v_created;
END
$$;

-- The highest schema version applied: a station compares it with its own.
CREATE FUNCTION tarovik.schema_version() RETURNS integer
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    SELECT max(version) FROM tarovik.schema_versions
$$;

-- Called by a station at every connection: binds the login role to the
-- station's UUID the first time (a role has one station, a station one
-- role), keeps the station's name, and returns the last number committed
-- from it (0 for none), above which the station numbers its events.
CREATE FUNCTION tarovik.last_committed(p_station uuid, p_name text) RETURNS bigint
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    v_row tarovik.stations;
BEGIN
    SELECT * INTO v_row FROM tarovik.stations WHERE login = session_user FOR UPDATE;
    IF NOT FOUND THEN
        BEGIN
            INSERT INTO tarovik.stations (station, login, name)
                VALUES (p_station, session_user, coalesce(p_name, ''))
                RETURNING * INTO v_row;
        EXCEPTION WHEN unique_violation THEN
            RAISE EXCEPTION 'station % belongs to another role', p_station USING ERRCODE = '42501';
        END;
    ELSIF v_row.station <> p_station THEN
        RAISE EXCEPTION 'role % belongs to station %, not %', session_user, v_row.station, p_station
            USING ERRCODE = '42501';
    ELSIF p_name IS NOT NULL AND p_name <> v_row.name THEN
        UPDATE tarovik.stations SET name = p_name WHERE station = p_station;
    END IF;
    RETURN v_row.last_seq;
END
$$;

-- Appends a batch of one station's events, p_events a JSON array of
-- tarovik.event_in objects, in one call (a sender binds the UUID and the
-- array as two parameters). Numbers already committed are compared: the
-- same contents change nothing (a resent batch whose answer was lost),
-- other contents raise TK001. New numbers must follow the last committed
-- one without a gap (else TK002). A key not of tarovik.event_in raises
-- TK004, an event without its number 23502. Returns the last committed
-- number and, when something was added, notifies channel tarovik_events
-- with "<station> <last number>" once.
CREATE FUNCTION tarovik.append_events(p_station uuid, p_events jsonb) RETURNS bigint
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    v_last bigint;
    v_in tarovik.event_in[];
    v_new_count bigint;
    v_new_first bigint;
    v_new_last bigint;
    v_bad bigint;
    v_unnumbered bigint;
    v_repeats bigint;
    v_unknown jsonb;
    v_known_keys text[] := ARRAY(SELECT attname FROM pg_attribute
                                 WHERE attrelid = 'tarovik.event_in'::regclass AND attnum > 0);
BEGIN
    -- The row lock also orders two connections of one station.
    SELECT last_seq INTO v_last FROM tarovik.stations
        WHERE station = p_station AND login = session_user FOR UPDATE;
    IF NOT FOUND THEN
        RAISE EXCEPTION 'role % may not append events of station %', session_user, p_station
            USING ERRCODE = '42501', HINT = 'Call tarovik.last_committed first.';
    END IF;

    -- A key the schema does not know would be dropped in silence (a newer
    -- station, a misspelt key): refused instead.
    SELECT e - v_known_keys INTO v_unknown FROM jsonb_array_elements(p_events) e
        WHERE e - v_known_keys <> '{}' LIMIT 1;
    IF FOUND THEN
        RAISE EXCEPTION 'event keys % are not known to schema version %', v_unknown, tarovik.schema_version()
            USING ERRCODE = 'TK004';
    END IF;
    v_in := ARRAY(SELECT e FROM jsonb_populate_recordset(NULL::tarovik.event_in, p_events) e);
    SELECT count(*) FILTER (WHERE i.seq > v_last), min(i.seq) FILTER (WHERE i.seq > v_last),
           max(i.seq) FILTER (WHERE i.seq > v_last), count(*) - count(i.seq),
           count(i.seq) - count(DISTINCT i.seq)
        INTO v_new_count, v_new_first, v_new_last, v_unnumbered, v_repeats FROM unnest(v_in) i;
    IF v_unnumbered > 0 THEN
        RAISE EXCEPTION '% events of station % without their number', v_unnumbered, p_station
            USING ERRCODE = '23502';
    END IF;
    -- A number twice in a batch: the same event twice is sent once.
    IF v_repeats > 0 THEN
        v_in := ARRAY(SELECT DISTINCT e FROM unnest(v_in) e);
        SELECT e.seq INTO v_bad FROM unnest(v_in) e GROUP BY e.seq HAVING count(*) > 1 LIMIT 1;
        IF FOUND THEN
            RAISE EXCEPTION 'number % of station % twice in one batch with other contents', v_bad, p_station
                USING ERRCODE = 'TK001';
        END IF;
        SELECT count(*) INTO v_new_count FROM unnest(v_in) i WHERE i.seq > v_last;
    END IF;

    -- Numbers held already: the same event again, or an error.
    SELECT i.seq INTO v_bad FROM unnest(v_in) i
    WHERE i.seq <= v_last AND NOT EXISTS (
        SELECT FROM tarovik.events e
        WHERE e.station = p_station AND e.seq = i.seq
          AND (e.station_time, e.utc_offset, e.os_user, e.kind, e.scale_type, e.journal_file,
               e.nom_pp, e.weight_text, e.unit, e.stat, e.kol_text, e.unit_weight_text,
               e.time_text, e.note, e.weight, e.quantity, e.reading, e.note_old, e.readings,
               e.reason, e.row_count)
              IS NOT DISTINCT FROM
              (i.station_time, i.utc_offset, i.os_user, i.kind, i.scale_type, i.journal_file,
               i.nom_pp, i.weight_text, i.unit, i.stat, i.kol_text, i.unit_weight_text,
               i.time_text, i.note, i.weight, i.quantity, i.reading, i.note_old, i.readings,
               i.reason, i.row_count))
    ORDER BY i.seq LIMIT 1;
    IF FOUND THEN
        RAISE EXCEPTION 'number % of station % is committed already with other contents', v_bad, p_station
            USING ERRCODE = 'TK001',
                  HINT = 'The station must number on from tarovik.last_committed.';
    END IF;

    IF v_new_count = 0 THEN
        RETURN v_last;
    END IF;
    IF v_new_first <> v_last + 1 OR v_new_last <> v_last + v_new_count THEN
        RAISE EXCEPTION 'station % sent numbers % to % after %: a gap', p_station, v_new_first, v_new_last, v_last
            USING ERRCODE = 'TK002';
    END IF;

    INSERT INTO tarovik.events (station, seq, station_time, utc_offset, os_user, kind,
        scale_type, journal_file, nom_pp, weight_text, unit, stat, kol_text, unit_weight_text,
        time_text, note, weight, quantity, reading, note_old, readings, reason, row_count)
    SELECT p_station, i.seq, i.station_time, i.utc_offset, i.os_user, i.kind,
        i.scale_type, i.journal_file, i.nom_pp, i.weight_text, i.unit, i.stat, i.kol_text,
        i.unit_weight_text, i.time_text, i.note, i.weight, i.quantity, i.reading, i.note_old,
        i.readings, i.reason, i.row_count
    FROM unnest(v_in) i WHERE i.seq > v_last;
    INSERT INTO tarovik.deleted_readings (station, reading, seq)
    SELECT p_station, unnest(i.readings), i.seq
    FROM unnest(v_in) i WHERE i.seq > v_last AND i.kind = 'deleted'
    ON CONFLICT DO NOTHING;

    UPDATE tarovik.stations SET last_seq = v_new_last WHERE station = p_station;
    PERFORM pg_notify('tarovik_events', p_station::text || ' ' || v_new_last);
    RETURN v_new_last;
END
$$;

-- The views read with the owner's rights: a viewer reads them and no table.

-- The stations and how far each has come.
CREATE VIEW tarovik.station_list AS
SELECT station, name, last_seq, bound_at
FROM tarovik.stations;

-- Every event, for a reading's history and the audit trail.
CREATE VIEW tarovik.event_log AS
SELECT e.station, s.name AS station_name, e.seq, e.station_time, e.utc_offset, e.os_user,
       e.db_user, e.server_time, e.kind, e.scale_type, e.journal_file, e.nom_pp,
       e.weight_text, e.unit, e.stat, e.kol_text, e.unit_weight_text, e.time_text, e.note,
       e.weight, e.quantity, e.reading, e.note_old, e.readings, e.reason, e.row_count
FROM tarovik.events e JOIN tarovik.stations s USING (station);

-- Each reading (its id is the number of its recorded event) with its latest
-- note, whether it was deleted, and whether it is in the station's current
-- journal (recorded after the station's last emptying: New, Open, a layout
-- rebuild, a declined restore). The note is a subquery of the select list,
-- so a query that does not ask for it (the totals) does not look it up.
CREATE VIEW tarovik.readings AS
SELECT r.station, s.name AS station_name, r.seq AS reading, r.station_time, r.utc_offset,
       r.os_user, r.scale_type, r.journal_file, r.nom_pp, r.weight_text, r.unit, r.stat,
       r.kol_text, r.unit_weight_text, r.time_text,
       coalesce((SELECT c.note FROM tarovik.events c
                 WHERE c.kind = 'note_changed' AND c.station = r.station AND c.reading = r.seq
                 ORDER BY c.seq DESC LIMIT 1), r.note) AS note,
       r.weight, r.quantity,
       d.reading IS NOT NULL AS deleted,
       r.seq > coalesce(j.emptied_at, 0) AS in_journal
FROM tarovik.events r
JOIN tarovik.stations s ON s.station = r.station
LEFT JOIN tarovik.deleted_readings d ON d.station = r.station AND d.reading = r.seq
LEFT JOIN (
    SELECT y.station, max(y.seq) AS emptied_at
    FROM tarovik.events y WHERE y.kind = 'emptied' GROUP BY y.station) j
    ON j.station = r.station
WHERE r.kind = 'recorded';

-- The totals of each station's current journal per unit (blanks trimmed),
-- as the station's own status bar counts them: readings not deleted; the
-- weights and quantities that read as numbers, summed exactly.
CREATE VIEW tarovik.journal_totals AS
SELECT station, station_name, btrim(unit) AS unit,
       count(*)         AS reading_count,
       count(weight)    AS weight_count,
       sum(weight)      AS weight_sum,
       avg(weight)      AS weight_mean,
       min(weight)      AS weight_min,
       max(weight)      AS weight_max,
       stddev_samp(weight) AS weight_stddev,
       sum(quantity)    AS quantity_sum
FROM tarovik.readings
WHERE in_journal AND NOT deleted
GROUP BY station, station_name, btrim(unit);

REVOKE EXECUTE ON ALL FUNCTIONS IN SCHEMA tarovik FROM PUBLIC;
GRANT EXECUTE ON FUNCTION tarovik.schema_version() TO tarovik_station, tarovik_viewer;
GRANT EXECUTE ON FUNCTION tarovik.last_committed(uuid, text) TO tarovik_station;
GRANT EXECUTE ON FUNCTION tarovik.append_events(uuid, jsonb) TO tarovik_station;
GRANT SELECT ON tarovik.station_list, tarovik.event_log, tarovik.readings, tarovik.journal_totals
    TO tarovik_viewer;

SELECT tarovik.create_partitions(3);

RESET ROLE;
COMMIT;

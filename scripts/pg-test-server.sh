#!/usr/bin/env bash
# A PostgreSQL 15 server of Debian's package for one test run: a new cluster
# in a temporary folder, listening on 127.0.0.1 at a free port and on a Unix
# socket in that folder, with database "tarovik" and the schema of
# sql/central loaded. Run as root, the server runs as the user "postgres"
# (PostgreSQL refuses root); run as anyone else, as that user.
#
#   scripts/pg-test-server.sh run <command> [args...]
#       starts a server, runs the command with PGHOST, PGPORT, PGUSER (the
#       superuser "postgres", no password on the socket), PGDATABASE and
#       TAROVIK_PG_DIR set, stops the server and removes the folder whatever
#       happens (also on INT and TERM), and exits with the command's status.
#   scripts/pg-test-server.sh start <folder>   (for a CTest fixture's setup)
#       starts a server in <folder> (one left there is stopped and removed
#       first) and writes its
#       environment, as shell assignments, to <folder>/env.
#   scripts/pg-test-server.sh stop <folder>    (the fixture's cleanup)
#       stops it and removes the folder.
#   scripts/pg-test-server.sh pause <folder> <seconds>
#       stops the server of <folder>, waits, and starts it again as it was
#       (a test of what a station does while its server is away).
# The cluster skips fsync (a test's data is worth nothing after the test)
# unless TAROVIK_PG_DURABLE=1, for measurements.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/pg-common.sh"

start_server() {
    local dir="$1"
    new_cluster "$dir" --auth-local=trust --auth-host=scram-sha-256 --no-sync
    local durability="-c fsync=off -c full_page_writes=off"
    [ "${TAROVIK_PG_DURABLE:-0}" != 1 ] || durability=""
    # A port taken meanwhile by someone else fails the start: try another.
    local port tries=0
    while :; do
        port=$((20000 + RANDOM % 40000))
        echo "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories='$dir' $durability" >"$dir/options"
        if start_again "$dir"; then
            break
        fi
        tries=$((tries + 1))
        if [ "$tries" -ge 10 ] || ! grep -q "could not bind\|could not create any TCP/IP sockets\|Address already in use" "$dir/server.log"; then
            cat "$dir/server.log" >&2
            return 1
        fi
    done
    cat >"$dir/env" <<EOF
export PGHOST='$dir' PGPORT='$port' PGUSER=postgres PGDATABASE=tarovik TAROVIK_PG_DIR='$dir'
EOF
    # shellcheck source=/dev/null
    source "$dir/env"
    psql -X -q -d postgres -c "CREATE DATABASE tarovik" >/dev/null
    "$ROOT/scripts/central-schema.sh" >/dev/null
}

start_again() {
    as_server "$PGBIN/pg_ctl" start --pgdata="$1/data" --wait --timeout=30 --silent \
        --log="$1/server.log" -o "$(cat "$1/options")" >/dev/null 2>&1
}

stop_server() {
    local dir="$1"
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_server "$PGBIN/pg_ctl" stop --pgdata="$dir/data" --mode=fast --wait --timeout=20 --silent \
            || as_server "$PGBIN/pg_ctl" stop --pgdata="$dir/data" --mode=immediate --wait --silent || true
    fi
    rm -rf "$dir"
}

case "${1:-}" in
run)
    shift
    [ $# -gt 0 ] || { echo "usage: $0 run <command> [args...]" >&2; exit 2; }
    dir="$(mktemp -d "${TMPDIR:-/tmp}/tarovik-pg.XXXXXX")"
    child=""
    trap 'stop_server "$dir"' EXIT
    # The command runs in the background so that a signal is handled at
    # once, not after the command ends: it is passed on, then the server stops.
    trap '[ -z "$child" ] || kill -TERM "$child" 2>/dev/null; exit 130' INT
    trap '[ -z "$child" ] || kill -TERM "$child" 2>/dev/null; exit 143' TERM
    start_server "$dir"
    # shellcheck source=/dev/null
    source "$dir/env"
    "$@" <&0 &
    child=$!
    status=0
    wait "$child" || status=$?
    exit "$status"
    ;;
start)
    [ $# -eq 2 ] || { echo "usage: $0 start <folder>" >&2; exit 2; }
    # A server left there by a run that ended before its cleanup goes first.
    stop_server "$2"
    start_server "$2" || { stop_server "$2"; exit 1; }
    ;;
pause)
    [ $# -eq 3 ] || { echo "usage: $0 pause <folder> <seconds>" >&2; exit 2; }
    as_server "$PGBIN/pg_ctl" stop --pgdata="$2/data" --mode=fast --wait --timeout=20 --silent
    sleep "$3"
    start_again "$2"
    ;;
stop)
    [ $# -eq 2 ] || { echo "usage: $0 stop <folder>" >&2; exit 2; }
    stop_server "$2"
    ;;
*)
    echo "usage: $0 run <command> [args...] | start <folder> | stop <folder> | pause <folder> <seconds>" >&2
    exit 2
    ;;
esac

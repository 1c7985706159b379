#!/usr/bin/env bash
# A trial central journal on this machine, in one command: a PostgreSQL 15
# cluster of Debian's package in a folder of its own, the database
# "tarovik", its roles and schema, a login for each station and one for the
# supervisor; prints the connection each station needs.
#   scripts/central-db.sh [--dir FOLDER] [--port PORT] [--listen ADDRESSES] [--stations N]
#       sets up (or, run again, starts and brings up to date) the trial
#       database. --listen '*' lets stations on other computers in (with
#       their passwords); the default, localhost, only this computer.
#       --stations adds logins up to station_N (default 3). Passwords are
#       made here, printed once and kept nowhere else.
#   scripts/central-db.sh stop [--dir FOLDER]
# The folder defaults to /var/lib/tarovik-central for root, else
# ~/.local/share/tarovik-central. Run as root, the server runs as the user
# "postgres". Monthly partitions: run tarovik.create_partitions() once a
# month (docs/central.md).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/pg-common.sh"

command="setup"
case "${1:-}" in setup|stop) command="$1"; shift ;; esac
if [ "$(id -u)" -eq 0 ]; then dir=/var/lib/tarovik-central; else dir="$HOME/.local/share/tarovik-central"; fi
port=5433
listen=localhost
stations=3
while [ $# -gt 0 ]; do
    case "$1" in
    --dir) dir="$2"; shift 2 ;;
    --port) port="$2"; shift 2 ;;
    --listen) listen="$2"; shift 2 ;;
    --stations) stations="$2"; shift 2 ;;
    *) sed -n '2,17s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
    esac
done
[[ "$port" =~ ^[0-9]+$ && "$stations" =~ ^[0-9]+$ ]] || { echo "port and stations are numbers" >&2; exit 2; }

running() { [ -f "$dir/data/postmaster.pid" ] && as_server "$PGBIN/pg_ctl" status --pgdata="$dir/data" >/dev/null 2>&1; }

if [ "$command" = stop ]; then
    if running; then as_server "$PGBIN/pg_ctl" stop --pgdata="$dir/data" --mode=fast --wait --silent; fi
    echo "stopped: $dir"
    exit 0
fi

if [ ! -f "$dir/data/PG_VERSION" ]; then
    # The socket lies in the folder, which only the server's user (and
    # root) may enter: the superuser logs in there without a password.
    new_cluster "$dir" --auth-local=trust --auth-host=scram-sha-256
    echo "host all all all scram-sha-256" | as_server tee -a "$dir/data/pg_hba.conf" >/dev/null
    echo "cluster created: $dir/data"
fi
if ! running; then
    as_server "$PGBIN/pg_ctl" start --pgdata="$dir/data" --wait --timeout=60 --silent --log="$dir/server.log" \
        -o "-c listen_addresses='$listen' -c port=$port -c unix_socket_directories='$dir'" \
        || { tail -n 20 "$dir/server.log" >&2; exit 1; }
fi
export PGHOST="$dir" PGPORT="$port" PGUSER=postgres
psql_su() { psql -X -q -At -v ON_ERROR_STOP=1 "$@"; }

[ "$(psql_su -d postgres -c "SELECT count(*) FROM pg_database WHERE datname = 'tarovik'")" = 1 ] \
    || psql_su -d postgres -c "CREATE DATABASE tarovik"
export PGDATABASE=tarovik
"$ROOT/scripts/central-schema.sh"

# A login that does not exist yet gets a new password, printed below.
password() { head -c 18 /dev/urandom | base64 | tr '+/' '-_'; }
new_logins=()
add_login() { # add_login <role> <group>
    if [ "$(psql_su -c "SELECT count(*) FROM pg_roles WHERE rolname = '$1'")" = 0 ]; then
        local secret
        secret="$(password)"
        psql_su -c "CREATE ROLE $1 LOGIN PASSWORD '$secret' IN ROLE $2"
        new_logins+=("$1 $secret")
    fi
}
for ((i = 1; i <= stations; i++)); do add_login "station_$i" tarovik_station; done
add_login supervisor tarovik_viewer

host="$listen"
[ "$host" != '*' ] || host="$(hostname -f 2>/dev/null || hostname)"
[ "$host" != localhost ] || host=127.0.0.1
cat <<EOF

The central journal is running: $dir (log: $dir/server.log)
Each station connects with
    host=$host port=$port dbname=tarovik user=station_<N>
and the supervisor with user=supervisor. A station binds its login to its
UUID at its first connection; one login serves one station.
EOF
if ((${#new_logins[@]})); then
    echo "New logins and their passwords (shown only now):"
    printf '    %s\n' "${new_logins[@]}"
fi
cat <<EOF
Stop it: $0 stop --dir '$dir'. Start it again: the same command as before.
EOF

# shellcheck shell=bash
# Shared by the scripts that run a PostgreSQL server of Debian's package.
PGBIN="${TAROVIK_PGBIN:-/usr/lib/postgresql/15/bin}"

# as_server <command...>: runs a command as the server's user: "postgres"
# when called as root (PostgreSQL refuses to run as root), else the caller.
as_server() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

# new_cluster <folder> [initdb options...]: a new cluster in <folder>/data,
# the folder given to the server's user; initdb's output in <folder>/initdb.log.
new_cluster() {
    local dir="$1"; shift
    mkdir -p "$dir"
    chmod 700 "$dir"
    [ "$(id -u)" -ne 0 ] || chown postgres: "$dir"
    as_server "$PGBIN/initdb" --pgdata="$dir/data" --username=postgres --encoding=UTF8 \
        --locale=C.UTF-8 "$@" >"$dir/initdb.log" 2>&1 \
        || { cat "$dir/initdb.log" >&2; return 1; }
}

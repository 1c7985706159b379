#!/usr/bin/env bash
# Brings the central journal's schema of a database up to the files of
# sql/central: applies, in order, each numbered file above the version the
# database has (all of them to a database without the schema). The database
# is the one psql reaches by its environment (PGHOST, PGPORT, PGDATABASE,
# PGUSER: a superuser) or by the options given, for example
#   scripts/central-schema.sh -h db.example -U postgres -d tarovik
set -euo pipefail

SQL="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/sql/central"
psql_to() { psql -X -q -v ON_ERROR_STOP=1 "$@"; }

version=0
if [ "$(psql_to -At "$@" -c "SELECT to_regclass('tarovik.schema_versions') IS NOT NULL")" = t ]; then
    version="$(psql_to -At "$@" -c "SELECT max(version) FROM tarovik.schema_versions")"
fi
for file in "$SQL"/[0-9][0-9][0-9]_*.sql; do
    number="$(basename "$file")"
    number=$((10#${number%%_*}))
    if [ "$number" -gt "$version" ]; then
        psql_to "$@" -f "$file" >/dev/null
        echo "applied $(basename "$file")"
    fi
done

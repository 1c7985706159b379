#pragma once

#include "supervisor/CentralRows.h"
#include "central/PgConnection.h"
#include "supervisor/ReadingFilter.h"

#include <QDateTime>

// The statements that read a selection of the central journal, shared by
// the window's reader and the exports: its rows a page at a time by key
// (station time, station, number) or all of them through a cursor, some of
// its readings again, its count and its totals. Each returns the server's
// answer; the rows are read from it with rowsOf or totalsOf.
namespace SelectionQuery {

// The parameters of tarovik.selected_readings for a filter at local time
// `now` (the period is taken from it).
QStringList parameters(const ReadingFilter &filter, const QDateTime &now);

// At most `limit` rows before `key` (the newest when there is none) in
// descending order, or after it in rising order.
PgResult page(PgConnection &db, const QStringList &selection, const RowKey *key, bool after, int limit);
// The readings of one station among `readings` that the selection holds.
PgResult readings(PgConnection &db, const QStringList &selection, const QString &station,
                  const QList<qint64> &readings);
PgResult count(PgConnection &db, const QStringList &selection);
// The whole selection in the window's order through a cursor (inside a
// transaction), read with fetch: each call costs its rows only, where a
// page by key costs the rows after its key too.
PgResult openCursor(PgConnection &db, const QStringList &selection);
PgResult fetch(PgConnection &db, int rows);
PgResult closeCursor(PgConnection &db);
// Per station and unit, then per unit over all of them; deleted ones left out.
PgResult totals(PgConnection &db, const ReadingFilter &filter, const QDateTime &now);

QList<CentralRow> rowsOf(const PgResult &result);
QList<SelectionTotal> totalsOf(const PgResult &result);

} // namespace SelectionQuery

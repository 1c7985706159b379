#include "supervisor/SelectionQuery.h"

namespace {

// The columns of a row, in the order rowsOf reads them. The key's text
// has a name of its own, so that ORDER BY station_time sorts by the time.
#define ROW_COLUMNS \
    "station, station_name, reading, station_time::text AS time_key, " \
    "floor(extract(epoch FROM station_time) * 1000000)::bigint, scale_type, nom_pp, " \
    "weight_text, unit, stat, kol_text, unit_weight_text, time_text, note, deleted "
#define SELECTION "tarovik.selected_readings($1::uuid[], $2::timestamptz, $3::timestamptz, $4, $5, $6::boolean) "

QString arrayText(const QList<qint64> &numbers)
{
    QStringList items;
    for (qint64 n : numbers)
        items.append(QString::number(n));
    return QLatin1Char('{') + items.join(QLatin1Char(',')) + QLatin1Char('}');
}

} // namespace

namespace SelectionQuery {

QStringList parameters(const ReadingFilter &filter, const QDateTime &now)
{
    QStringList params = filter.sqlParameters(now);
    params << (filter.withDeleted ? QStringLiteral("true") : QStringLiteral("false"));
    return params;
}

PgResult page(PgConnection &db, const QStringList &selection, const RowKey *key, bool after, int limit)
{
    // Keyset paging, along the index on (station time, station, number).
    QStringList params = selection;
    params << (key ? key->stationTime : QString()) << (key ? key->station : QString())
           << (key ? QString::number(key->reading) : QString()) << QString::number(limit);
    return db.query(after ? "SELECT " ROW_COLUMNS "FROM " SELECTION
                            "WHERE (station_time, station, reading) > ($7::timestamptz, $8::uuid, $9::bigint) "
                            "ORDER BY station_time, station, reading LIMIT $10::int"
                          : "SELECT " ROW_COLUMNS "FROM " SELECTION
                            "WHERE $7::timestamptz IS NULL OR (station_time, station, reading) < ($7::timestamptz, $8::uuid, $9::bigint) "
                            "ORDER BY station_time DESC, station DESC, reading DESC LIMIT $10::int",
                    params);
}

PgResult readings(PgConnection &db, const QStringList &selection, const QString &station,
                  const QList<qint64> &readings)
{
    QStringList params = selection;
    params << station << arrayText(readings);
    return db.query("SELECT " ROW_COLUMNS "FROM " SELECTION "WHERE station = $7::uuid AND reading = ANY ($8::bigint[])",
                    params);
}

PgResult count(PgConnection &db, const QStringList &selection)
{
    return db.query("SELECT count(*) FROM " SELECTION, selection);
}

PgResult openCursor(PgConnection &db, const QStringList &selection)
{
    return db.query("DECLARE selection_rows NO SCROLL CURSOR FOR SELECT " ROW_COLUMNS "FROM " SELECTION
                    "ORDER BY station_time, station, reading",
                    selection);
}

PgResult fetch(PgConnection &db, int rows)
{
    return db.query(QByteArray("FETCH FORWARD " + QByteArray::number(rows) + " FROM selection_rows").constData());
}

PgResult closeCursor(PgConnection &db)
{
    return db.query("CLOSE selection_rows");
}

PgResult totals(PgConnection &db, const ReadingFilter &filter, const QDateTime &now)
{
    return db.query("SELECT station, station_name, unit, reading_count, weight_count, weight_sum, "
                    "round(weight_mean, 6), weight_min, weight_max, round(weight_stddev, 6), quantity_sum "
                    "FROM tarovik.selection_totals($1::uuid[], $2::timestamptz, $3::timestamptz, $4, $5)",
                    filter.sqlParameters(now));
}

QList<CentralRow> rowsOf(const PgResult &result)
{
    QList<CentralRow> rows;
    for (const QVector<QString> &v : result.rows) {
        CentralRow r;
        r.key = {v[3], v[4].toLongLong(), v[0], v[2].toLongLong()};
        r.stationName = v[1];
        r.scaleType = v[5].toInt();
        r.nomPP = v[6];
        r.weight = v[7];
        r.unit = v[8];
        r.stat = v[9];
        r.quantity = v[10];
        r.unitWeight = v[11];
        r.time = v[12];
        r.note = v[13];
        r.deleted = v[14] == QLatin1String("t");
        rows.append(r);
    }
    return rows;
}

QList<SelectionTotal> totalsOf(const PgResult &result)
{
    QList<SelectionTotal> totals;
    for (const QVector<QString> &v : result.rows)
        totals.append({v[0], v[1], v[2], v[3].toLongLong(), v[4].toLongLong(), v[5], v[6], v[7], v[8], v[9], v[10]});
    return totals;
}

} // namespace SelectionQuery

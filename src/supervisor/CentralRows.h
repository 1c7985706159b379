#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// A reading's place in the window's order: station time, station, number.
// The time is kept as the server wrote it (for the next page's key, exact)
// and in microseconds since 1970 (for ordering here).
struct RowKey {
    QString stationTime;
    qint64 micros = 0;
    QString station;
    qint64 reading = 0;
};
bool operator<(const RowKey &a, const RowKey &b);

// One reading of the central journal as the window shows it.
struct CentralRow {
    RowKey key;
    QString stationName;
    int scaleType = 0;
    QString nomPP, weight, unit, stat, quantity, unitWeight, time, note;
    bool deleted = false;
};

// The columns the window shows and the exports write: the station's name,
// then the counting journal's columns (the weighing types leave quantity and
// piece weight empty).
namespace CentralColumns {
int count();
QString caption(int column);
QString cell(const CentralRow &row, int column);
} // namespace CentralColumns

// The totals of a selection for one station and unit; a null station is
// the unit over all the stations selected. Numbers as the server's exact
// decimal text (empty when there is none).
struct SelectionTotal {
    QString station, stationName, unit;
    qint64 readings = 0;
    qint64 weighed = 0;
    QString sum, mean, min, max, stddev, quantitySum;
};

// One event of a reading's history.
struct HistoryEvent {
    qint64 seq = 0;
    QString stationTime; // the station's clock in its own offset
    QString stationName, osUser, dbUser, kind;
    QString oldValue, newValue;
};

Q_DECLARE_METATYPE(RowKey)
Q_DECLARE_METATYPE(CentralRow)
Q_DECLARE_METATYPE(SelectionTotal)
Q_DECLARE_METATYPE(HistoryEvent)

#pragma once

#include "report/TimeReader.h"

#include <QHash>
#include <QObject>
#include <QPointF>
#include <QVector>

#include <limits>

class QAbstractItemModel;

// The journal's weights against the time of each row, one series per unit,
// for the chart. Follows the journal model through its signals: a recorded
// row is appended, deleted rows taken out, a reset read anew. A row whose
// "Время" cell is no date and time is placed at the time of the row before
// it (by row number when no row has a time); a row whose weight is no number
// is left out.
class WeightSeries : public QObject
{
    Q_OBJECT

public:
    explicit WeightSeries(const QAbstractItemModel &model, QObject *parent = nullptr);

    // True when x is a time (milliseconds since the epoch), false when it is
    // the row number.
    bool byTime() const { return m_timed > 0; }
    QStringList units() const { return m_unitNames; }
    // The range of x and y over every row, or over the rows of one unit;
    // empty when there is none.
    QRectF bounds(int unit = -1) const;

    // The series of a unit reduced to at most two points per column: the
    // columns split [xFrom, xTo] evenly, each keeps its lowest and highest
    // weight, in the order they came. Rows outside the range are left out,
    // but the nearest one on each side is kept so the line runs to the edge.
    QVector<QPointF> decimated(int unit, double xFrom, double xTo, int columns) const;

signals:
    void changed();

private:
    struct Row {
        double time; // NaN: no readable time
        float weight; // NaN: no number
        quint16 unit;
    };

    void readAll();
    Row read(int row);
    double x(qsizetype i) const;
    void rowsInserted(int first, int last);
    void rowsAboutToBeRemoved(int first, int last);
    void findColumns();

    const QAbstractItemModel &m_model;
    TimeReader m_times;
    int m_weightCol = -1;
    int m_unitCol = -1;
    int m_timeCol = -1;
    QVector<Row> m_rows;
    QVector<double> m_x; // each row's place: its time, the time before it, or its number
    qsizetype m_timed = 0; // rows with a readable time
    QStringList m_unitNames;
    QHash<QString, quint16> m_unitIds;
    QString m_lastUnitText; // the unit cell of the row read last, as it stands
    quint16 m_lastUnit = 0;
    // Local time of the last hour converted: a million rows of one day share few.
    mutable qint64 m_hourKey = std::numeric_limits<qint64>::min();
    mutable qint64 m_hourOffsetMs = 0;
};

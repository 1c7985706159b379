#include "report/WeightSeries.h"

#include "journal/JournalLayout.h"
#include "link/JournalTime.h"
#include "report/DecimalNumber.h"
#include "report/ModelFollower.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QRectF>

#include <cmath>

namespace {

QString captionOf(const QString &key)
{
    for (const JournalColumn &c : JournalLayout::counting()) {
        if (c.key == key)
            return c.caption;
    }
    return QString();
}

constexpr qint64 HourMs = 3600 * 1000;

} // namespace

WeightSeries::WeightSeries(const QAbstractItemModel &model, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_times(JournalTime::programLocale())
{
    followModelRows(
        model, this, [this](int first, int last) { rowsInserted(first, last); },
        [this](int first, int last) { rowsAboutToBeRemoved(first, last); }, [this] { readAll(); });
    connect(&model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &tl, const QModelIndex &br) {
        auto within = [&](int c) { return c >= tl.column() && c <= br.column(); };
        if (within(m_weightCol) || within(m_unitCol) || within(m_timeCol))
            readAll();
    });
    readAll();
}

void WeightSeries::findColumns()
{
    m_weightCol = m_unitCol = m_timeCol = -1;
    for (int c = 0; c < m_model.columnCount(); ++c) {
        const QString caption = m_model.headerData(c, Qt::Horizontal).toString();
        if (caption == captionOf(QStringLiteral("Weight")))
            m_weightCol = c;
        else if (caption == captionOf(QStringLiteral("Unit")))
            m_unitCol = c;
        else if (caption == captionOf(QStringLiteral("Time")))
            m_timeCol = c;
    }
}

WeightSeries::Row WeightSeries::read(int row)
{
    Row r{std::nan(""), std::nanf(""), 0};
    if (m_weightCol < 0)
        return r;
    auto cell = [this, row](int col) { return m_model.data(m_model.index(row, col), Qt::DisplayRole).toString(); };
    if (const std::optional<DecimalNumber> w = DecimalNumber::read(cell(m_weightCol)))
        r.weight = float(w->value());
    QString unit = m_unitCol >= 0 ? cell(m_unitCol) : QString();
    // Rows of one unit follow each other: the unit of the row before is
    // taken without looking it up.
    if (m_unitNames.isEmpty() || unit != m_lastUnitText) {
        m_lastUnitText = unit;
        unit = unit.trimmed();
        auto id = m_unitIds.constFind(unit);
        if (id == m_unitIds.constEnd() && m_unitNames.size() < 0xFFFF) {
            id = m_unitIds.insert(unit, quint16(m_unitNames.size()));
            m_unitNames.append(unit);
        }
        m_lastUnit = id == m_unitIds.constEnd() ? 0 : *id;
    }
    r.unit = m_lastUnit;
    QDate date;
    QTime time;
    if (m_timeCol >= 0 && m_times.read(cell(m_timeCol), date, time)) {
        // The local time as milliseconds since the epoch; the offset from UTC
        // is found once an hour of readings.
        const qint64 naive = (date.toJulianDay() - 2440588) * 24 * HourMs + time.msecsSinceStartOfDay();
        const qint64 hour = naive / HourMs;
        if (hour != m_hourKey) {
            m_hourKey = hour;
            m_hourOffsetMs = qint64(QDateTime(date, QTime(time.hour(), 0)).offsetFromUtc()) * 1000;
        }
        r.time = double(naive - m_hourOffsetMs);
    }
    return r;
}

double WeightSeries::x(qsizetype i) const
{
    return m_x.at(i);
}

void WeightSeries::readAll()
{
    findColumns();
    m_rows.clear();
    m_x.clear();
    m_unitNames.clear();
    m_unitIds.clear();
    m_lastUnitText = QString();
    m_lastUnit = 0;
    m_timed = 0;
    const int rows = m_model.rowCount();
    m_rows.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        m_rows.append(read(r));
        m_timed += !std::isnan(m_rows.constLast().time);
    }
    m_x.resize(rows);
    double last = std::nan("");
    for (int r = 0; r < rows; ++r) {
        if (!std::isnan(m_rows[r].time))
            last = m_rows[r].time;
        m_x[r] = m_timed > 0 ? last : double(r + 1);
    }
    emit changed();
}

void WeightSeries::rowsInserted(int first, int last)
{
    const bool timedBefore = m_timed > 0;
    if (first != m_rows.size()) {
        readAll(); // only appending is followed row by row
        return;
    }
    for (int r = first; r <= last; ++r) {
        m_rows.append(read(r));
        const Row &row = m_rows.constLast();
        m_timed += !std::isnan(row.time);
        const double before = r > 0 ? m_x.at(r - 1) : std::nan("");
        m_x.append(!std::isnan(row.time) ? row.time : m_timed > 0 ? before : double(r + 1));
    }
    if (timedBefore != (m_timed > 0)) {
        readAll(); // the rows before now go by time
        return;
    }
    emit changed();
}

void WeightSeries::rowsAboutToBeRemoved(int first, int last)
{
    for (int r = first; r <= last && r < m_rows.size(); ++r)
        m_timed -= !std::isnan(m_rows.at(r).time);
    const qsizetype count = std::min<qsizetype>(last - first + 1, m_rows.size() - first);
    m_rows.remove(first, count);
    m_x.remove(first, count);
    if (m_timed == 0) {
        for (qsizetype r = 0; r < m_x.size(); ++r)
            m_x[r] = double(r + 1);
    } else {
        // The places of untimed rows after the gap follow the row before it.
        for (qsizetype r = first; r < m_x.size() && std::isnan(m_rows.at(r).time); ++r)
            m_x[r] = r > 0 ? m_x.at(r - 1) : std::nan("");
    }
    emit changed();
}

QRectF WeightSeries::bounds(int unit) const
{
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    bool any = false;
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        const float w = m_rows.at(i).weight;
        const double xi = m_x.at(i);
        if (std::isnan(w) || std::isnan(xi) || (unit >= 0 && m_rows.at(i).unit != unit))
            continue;
        if (!any) {
            x0 = x1 = xi;
            y0 = y1 = w;
            any = true;
        }
        x0 = std::min(x0, xi);
        x1 = std::max(x1, xi);
        y0 = std::min(y0, double(w));
        y1 = std::max(y1, double(w));
    }
    return any ? QRectF(QPointF(x0, y0), QPointF(x1, y1)) : QRectF();
}

QVector<QPointF> WeightSeries::decimated(int unit, double xFrom, double xTo, int columns) const
{
    QVector<QPointF> out;
    columns = std::max(columns, 1);
    const double span = xTo > xFrom ? xTo - xFrom : 1;
    struct Column {
        qsizetype minAt = -1;
        qsizetype maxAt = -1;
    };
    QVector<Column> cols(columns);
    qsizetype before = -1; // the nearest row left of the range
    qsizetype after = -1;  // the nearest row right of it
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        const Row &r = m_rows.at(i);
        const double xi = m_x.at(i);
        if (r.unit != unit || std::isnan(r.weight) || std::isnan(xi))
            continue;
        if (xi < xFrom) {
            if (before < 0 || xi >= m_x.at(before))
                before = i;
            continue;
        }
        if (xi > xTo) {
            if (after < 0 || xi < m_x.at(after))
                after = i;
            continue;
        }
        Column &c = cols[std::min(columns - 1, int((xi - xFrom) / span * columns))];
        if (c.minAt < 0 || r.weight < m_rows.at(c.minAt).weight)
            c.minAt = i;
        if (c.maxAt < 0 || r.weight > m_rows.at(c.maxAt).weight)
            c.maxAt = i;
    }
    auto point = [this](qsizetype i) { return QPointF(m_x.at(i), m_rows.at(i).weight); };
    if (before >= 0)
        out << point(before);
    for (const Column &c : std::as_const(cols)) {
        if (c.minAt < 0)
            continue;
        const qsizetype first = std::min(c.minAt, c.maxAt);
        const qsizetype second = std::max(c.minAt, c.maxAt);
        out << point(first);
        if (second != first)
            out << point(second);
    }
    if (after >= 0)
        out << point(after);
    return out;
}

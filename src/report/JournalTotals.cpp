#include "report/JournalTotals.h"

#include "common/AnsiText.h"
#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"
#include "report/ModelFollower.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QString captionOf(const QString &key)
{
    for (const JournalColumn &c : JournalLayout::counting()) {
        if (c.key == key)
            return c.caption;
    }
    return QString();
}

int highest(const std::array<qint64, DecimalNumber::MaxDecimals + 1> &counts)
{
    for (int d = DecimalNumber::MaxDecimals; d > 0; --d) {
        if (counts[d] > 0)
            return d;
    }
    return 0;
}

QStringView trimmed(QStringView text)
{
    return text.trimmed();
}

QByteArrayView trimmed(QByteArrayView cell)
{
    return AnsiText::trimmed(cell);
}

} // namespace

JournalTotals::JournalTotals(const JournalGrid &journal, QObject *parent)
    : QObject(parent)
    , m_journal(journal)
{
    followModelRows(
        journal, this, [this](int first, int last) { rowsInserted(first, last); },
        [this](int first, int last) { rowsAboutToBeRemoved(first, last); }, [this] { readAll(); });
    connect(&journal, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &tl, const QModelIndex &br) {
                dataChanged(tl.row(), br.row(), tl.column(), br.column());
            });
    readAll();
}

void JournalTotals::findColumns()
{
    m_weightCol = m_unitCol = m_quantityCol = -1;
    const QString weight = captionOf(QStringLiteral("Weight"));
    const QString unit = captionOf(QStringLiteral("Unit"));
    const QString quantity = captionOf(QStringLiteral("Kol"));
    for (int c = 0; c < m_journal.columnCount(); ++c) {
        const QString caption = m_journal.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        if (caption == weight)
            m_weightCol = c;
        else if (caption == unit)
            m_unitCol = c;
        else if (caption == quantity)
            m_quantityCol = c;
    }
}

void JournalTotals::readAll()
{
    findColumns();
    m_entries.clear();
    m_wide.clear();
    m_freeWide.clear();
    m_units.clear();
    m_unitNames.clear();
    m_unitIds.clear();
    m_lastUnitKnown = false;
    m_notNumbers = 0;
    const int rows = m_journal.rowCount();
    m_entries.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        m_entries.append(read(r));
        add(m_entries.constLast());
    }
    emit changed();
}

JournalTotals::Entry JournalTotals::read(int row)
{
    if (m_weightCol < 0)
        return Entry();
    const int columns[] = {m_weightCol, m_unitCol, m_quantityCol};
    QByteArrayView cells[3];
    // A file brings millions of rows: the cells are read as the journal
    // keeps them, not made into strings; rows kept as text come as text.
    if (m_journal.encodedCells(row, columns, cells, 3))
        return readCells(cells[0], cells[1], cells[2]);
    auto cell = [this, row](int col) {
        return col < 0 ? QString() : m_journal.data(m_journal.index(row, col), Qt::DisplayRole).toString();
    };
    const QString weight = cell(m_weightCol);
    const QString unit = cell(m_unitCol);
    const QString quantity = cell(m_quantityCol);
    return readCells(QStringView(weight), QStringView(unit), QStringView(quantity));
}

// Cells as the file's bytes or as text: read alike.
template<typename Cell>
JournalTotals::Entry JournalTotals::readCells(Cell weight, Cell unit, Cell quantity)
{
    Entry entry;
    if (const std::optional<DecimalNumber> w = DecimalNumber::read(weight)) {
        entry.weightDecimals = qint8(w->decimals);
        entry.weight = keep(w->mantissa, entry.weightDecimals);
    } else if (!trimmed(weight).isEmpty()) {
        entry.weightDecimals = NotNumber;
    }
    entry.unit = unitId(trimmed(unit));
    if (const std::optional<DecimalNumber> q = DecimalNumber::read(quantity)) {
        entry.quantityDecimals = qint8(q->decimals);
        entry.quantity = keep(q->mantissa, entry.quantityDecimals);
    }
    return entry;
}

quint16 JournalTotals::unitId(const QString &unit)
{
    auto id = m_unitIds.constFind(unit);
    if (id == m_unitIds.constEnd() && m_unitNames.size() < 0xFFFF) {
        id = m_unitIds.insert(unit, quint16(m_unitNames.size()));
        m_unitNames.append(unit);
        m_units.append(Accumulator());
    }
    return id == m_unitIds.constEnd() ? 0 : *id;
}

quint16 JournalTotals::unitId(QByteArrayView unit)
{
    if (!m_lastUnitKnown || QByteArrayView(m_lastUnit) != unit) {
        m_lastUnitId = unitId(AnsiText::decode(unit));
        m_lastUnit = unit.toByteArray();
        m_lastUnitKnown = true;
    }
    return m_lastUnitId;
}

qint32 JournalTotals::keep(qint64 mantissa, qint8 &decimals)
{
    if (mantissa >= std::numeric_limits<qint32>::min() && mantissa <= std::numeric_limits<qint32>::max())
        return qint32(mantissa);
    decimals |= Wide;
    if (!m_freeWide.isEmpty()) {
        const qint32 slot = m_freeWide.takeLast();
        m_wide[slot] = mantissa;
        return slot;
    }
    m_wide.append(mantissa);
    return qint32(m_wide.size() - 1);
}

DecimalNumber JournalTotals::number(qint32 kept, qint8 decimals) const
{
    if (decimals & Wide)
        return {m_wide.at(kept), decimals & ~Wide};
    return {kept, decimals};
}

void JournalTotals::release(const Entry &entry)
{
    if (entry.weightDecimals >= 0 && (entry.weightDecimals & Wide))
        m_freeWide.append(entry.weight);
    if (entry.quantityDecimals >= 0 && (entry.quantityDecimals & Wide))
        m_freeWide.append(entry.quantity);
}

void JournalTotals::addTo(QVector<Accumulator> &units, qint64 &notNumbers, const Entry &entry) const
{
    if (entry.weightDecimals < 0) {
        notNumbers += entry.weightDecimals == NotNumber;
        return;
    }
    Accumulator &a = units[entry.unit];
    const DecimalNumber w = number(entry.weight, entry.weightDecimals);
    const double v = w.value();
    if (a.rows == 0 || (!a.extremesStale && v < a.min))
        a.min = v;
    if (a.rows == 0 || (!a.extremesStale && v > a.max))
        a.max = v;
    if (a.rows == 0)
        a.extremesStale = false;
    ++a.rows;
    a.sum.add(w);
    a.sumOfSquares += (long double)v * v;
    ++a.byDecimals[w.decimals];
    if (entry.quantityDecimals >= 0) {
        const DecimalNumber q = number(entry.quantity, entry.quantityDecimals);
        a.quantity.add(q);
        ++a.quantityByDecimals[q.decimals];
        ++a.quantities;
    }
}

void JournalTotals::subtract(const Entry &entry)
{
    if (entry.weightDecimals < 0) {
        m_notNumbers -= entry.weightDecimals == NotNumber;
        return;
    }
    Accumulator &a = m_units[entry.unit];
    const DecimalNumber w = number(entry.weight, entry.weightDecimals);
    const double v = w.value();
    --a.rows;
    a.sum.subtract(w);
    a.sumOfSquares -= (long double)v * v;
    --a.byDecimals[w.decimals];
    // The extreme may have gone: found again when next asked for.
    if (v <= a.min || v >= a.max)
        a.extremesStale = true;
    if (entry.quantityDecimals >= 0) {
        const DecimalNumber q = number(entry.quantity, entry.quantityDecimals);
        a.quantity.subtract(q);
        --a.quantityByDecimals[q.decimals];
        --a.quantities;
    }
    if (a.rows == 0)
        a = Accumulator();
}

void JournalTotals::refreshExtremes(quint16 unit) const
{
    Accumulator &a = m_units[unit];
    if (!a.extremesStale)
        return;
    bool first = true;
    for (const Entry &entry : m_entries) {
        if (entry.unit != unit || entry.weightDecimals < 0)
            continue;
        const double v = number(entry.weight, entry.weightDecimals).value();
        a.min = first ? v : std::min(a.min, v);
        a.max = first ? v : std::max(a.max, v);
        first = false;
    }
    a.extremesStale = false;
}

void JournalTotals::rowsInserted(int first, int last)
{
    // Read straight into their places: a file brings millions of rows.
    m_entries.insert(first, last - first + 1, Entry());
    Entry *entry = m_entries.data() + first;
    for (int r = first; r <= last; ++r, ++entry) {
        *entry = read(r);
        add(*entry);
    }
    emit changed();
}

void JournalTotals::rowsAboutToBeRemoved(int first, int last)
{
    for (int r = first; r <= last && r < m_entries.size(); ++r) {
        subtract(m_entries.at(r));
        release(m_entries.at(r));
    }
    m_entries.remove(first, std::min<qsizetype>(last - first + 1, m_entries.size() - first));
    emit changed();
}

void JournalTotals::dataChanged(int firstRow, int lastRow, int firstCol, int lastCol)
{
    auto within = [firstCol, lastCol](int c) { return c >= firstCol && c <= lastCol; };
    if (!within(m_weightCol) && !within(m_unitCol) && !within(m_quantityCol))
        return; // a note edited
    for (int r = firstRow; r <= lastRow && r < m_entries.size(); ++r) {
        subtract(m_entries.at(r));
        release(m_entries.at(r));
        m_entries[r] = read(r);
        add(m_entries.at(r));
    }
    emit changed();
}

JournalTotals::Summary JournalTotals::whole() const
{
    for (int u = 0; u < m_units.size(); ++u)
        refreshExtremes(quint16(u));
    qint64 rows = m_notNumbers;
    for (const Accumulator &a : std::as_const(m_units))
        rows += a.rows;
    return summarise(m_units, rows, m_notNumbers);
}

JournalTotals::Summary JournalTotals::range(int first, int last) const
{
    first = std::max(first, 0);
    last = std::min(last, int(m_entries.size()) - 1);
    QVector<Accumulator> units(m_units.size());
    qint64 notNumbers = 0;
    qint64 rows = 0;
    for (int r = first; r <= last; ++r) {
        const Entry &entry = m_entries.at(r);
        rows += entry.weightDecimals != Blank;
        addTo(units, notNumbers, entry);
    }
    return summarise(units, rows, notNumbers);
}

JournalTotals::Summary JournalTotals::summarise(const QVector<Accumulator> &units, qint64 rows,
                                                qint64 notNumbers) const
{
    Summary s;
    s.rows = rows;
    s.notNumbers = notNumbers;
    for (int u = 0; u < units.size(); ++u) {
        const Accumulator &a = units.at(u);
        if (a.rows == 0)
            continue;
        Unit t;
        t.unit = m_unitNames.at(u);
        t.rows = a.rows;
        t.decimals = highest(a.byDecimals);
        t.sum = a.sum.text(t.decimals);
        t.mean = a.sum.value() / double(a.rows);
        t.min = a.min;
        t.max = a.max;
        if (a.rows > 1) {
            const long double n = a.rows;
            const long double mean = (long double)a.sum.value() / n;
            const long double variance = (a.sumOfSquares - n * mean * mean) / (n - 1);
            t.stdDev = variance > 0 ? double(std::sqrt(variance)) : 0;
        }
        t.counting = m_quantityCol >= 0;
        if (a.quantities > 0)
            t.quantitySum = a.quantity.text(highest(a.quantityByDecimals));
        else if (t.counting)
            t.quantitySum = QStringLiteral("0");
        s.units.append(t);
    }
    return s;
}

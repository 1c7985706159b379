#pragma once

#include "report/DecimalNumber.h"
#include "report/ExactSum.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QVector>

#include <array>

class JournalGrid;

// The totals of a journal, per unit: rows, sum, mean, minimum, maximum,
// standard deviation of the weights and, for counting scales, the sum of the
// quantities. Follows the journal model through its signals alone: a
// recorded row costs O(1) (running sums), deleted rows are subtracted, a
// reset (file loaded, layout rebuilt) is read anew. Columns are found by
// their captions.
class JournalTotals : public QObject
{
    Q_OBJECT

public:
    struct Unit {
        QString unit; // as the scale sends it, blanks trimmed
        qint64 rows = 0;
        int decimals = 0; // most decimals among its weights
        QString sum;
        double mean = 0;
        double min = 0;
        double max = 0;
        double stdDev = 0; // sample standard deviation; 0 for one row
        bool counting = false;
        QString quantitySum; // counting scales: sum of the quantities that are numbers
    };
    struct Summary {
        qint64 rows = 0;       // rows with a weight cell that is not empty
        qint64 notNumbers = 0; // of these, rows whose weight is no number
        QVector<Unit> units;   // in order of first appearance
    };

    explicit JournalTotals(const JournalGrid &journal, QObject *parent = nullptr);

    // The whole journal.
    Summary whole() const;
    // Model rows first..last (inclusive).
    Summary range(int first, int last) const;

signals:
    void changed();

private:
    static constexpr qint8 Blank = -2;     // an empty weight cell: no reading
    static constexpr qint8 NotNumber = -1; // counted apart
    // Added to a count of decimals when the mantissa beside it is too wide for
    // 32 bits and is kept in m_wide instead, by its slot there.
    static constexpr qint8 Wide = 0x20;
    // One row as the totals see it, one a journal row: 12 bytes, as scales'
    // mantissas (weights of up to nine digits, piece counts) fit 32 bits.
    struct Entry {
        qint32 weight = 0;
        qint32 quantity = 0;
        quint16 unit = 0;
        qint8 weightDecimals = Blank; // Blank, NotNumber or the weight's decimals (with Wide)
        qint8 quantityDecimals = -1; // -1: no quantity
    };
    static_assert(sizeof(Entry) == 12, "an entry is kept for every journal row");
    // Running figures of one unit.
    struct Accumulator {
        qint64 rows = 0;
        ExactSum sum;
        long double sumOfSquares = 0;
        std::array<qint64, DecimalNumber::MaxDecimals + 1> byDecimals{};
        double min = 0;
        double max = 0;
        bool extremesStale = false;
        ExactSum quantity;
        std::array<qint64, DecimalNumber::MaxDecimals + 1> quantityByDecimals{};
        qint64 quantities = 0;
    };

    void findColumns();
    void readAll();
    Entry read(int row);
    template<typename Cell>
    Entry readCells(Cell weight, Cell unit, Cell quantity);
    quint16 unitId(const QString &unit);
    quint16 unitId(QStringView unit) { return unitId(unit.toString()); }
    quint16 unitId(QByteArrayView unit);
    void add(const Entry &entry) { addTo(m_units, m_notNumbers, entry); }
    void addTo(QVector<Accumulator> &units, qint64 &notNumbers, const Entry &entry) const;
    qint32 keep(qint64 mantissa, qint8 &decimals);
    DecimalNumber number(qint32 kept, qint8 decimals) const;
    void release(const Entry &entry);
    void subtract(const Entry &entry);
    void refreshExtremes(quint16 unit) const;
    Summary summarise(const QVector<Accumulator> &units, qint64 rows, qint64 notNumbers) const;

    void rowsInserted(int first, int last);
    void rowsAboutToBeRemoved(int first, int last);
    void dataChanged(int firstRow, int lastRow, int firstCol, int lastCol);

    const JournalGrid &m_journal;
    int m_weightCol = -1;
    int m_unitCol = -1;
    int m_quantityCol = -1;
    QVector<Entry> m_entries;
    QVector<qint64> m_wide; // mantissas too wide for an entry
    QVector<qint32> m_freeWide; // slots of m_wide no entry uses
    QVector<QString> m_unitNames;
    QHash<QString, quint16> m_unitIds;
    // The unit of the row read last, as the file's bytes: the rows of a
    // journal mostly share one, and a file's rows are read by the million.
    QByteArray m_lastUnit;
    quint16 m_lastUnitId = 0;
    bool m_lastUnitKnown = false;
    mutable QVector<Accumulator> m_units;
    qint64 m_notNumbers = 0;
};

#pragma once

#include "supervisor/CentralRows.h"
#include "supervisor/ReadingFilter.h"

#include <QAbstractTableModel>
#include <QPair>
#include <deque>

class CentralReader;

// The rows of every station as the window shows them: the station's name,
// then the journal's columns. It holds a bounded stretch of the selection
// (at most maxRows), read a page at a time by key from a CentralReader on
// its own thread; it asks for older or newer pages at its edges, drops
// those far from them, and merges the readings that come live in order.
class SupervisorModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Roles { DeletedRole = Qt::UserRole + 1 };
    // The reader lives on another thread; the model only calls it queued.
    SupervisorModel(CentralReader *reader, int pageRows = 200, int maxRows = 2000, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void select(const ReadingFilter &filter);
    const ReadingFilter &filter() const { return m_filter; }
    // At the top or bottom edge of what is held: read the next page there.
    void fetchOlder();
    void fetchNewer();
    bool hasOlder() const { return m_hasOlder; }
    bool hasNewer() const { return m_hasNewer; }
    const CentralRow &reading(int row) const { return m_rows[size_t(row)]; }
    void requestTotals();
    void requestHistory(int row);

signals:
    void totalsReady(const QList<SelectionTotal> &totals);
    void historyReady(const QString &station, qint64 reading, const QList<HistoryEvent> &events);
    void stateChanged(bool online, const QString &message);
    void stationsRead(const QList<QPair<QString, QString>> &stations);

private:
    void onPage(int generation, int kind, const QList<CentralRow> &rows, bool more);
    void onChanged(int generation, const QList<CentralRow> &rows, const QList<QPair<QString, qint64>> &asked);
    void trimTop(int count);
    void trimBottom(int count);
    int find(const QString &station, qint64 reading) const;
    bool belongsHere(const RowKey &key) const;

    CentralReader *m_reader;
    int m_pageRows;
    int m_maxRows;
    int m_generation = 0;
    ReadingFilter m_filter;
    std::deque<CentralRow> m_rows;
    bool m_hasOlder = false;
    bool m_hasNewer = false;
    bool m_fetching = false;
};

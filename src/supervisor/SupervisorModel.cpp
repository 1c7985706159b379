#include "supervisor/SupervisorModel.h"

#include "supervisor/CentralReader.h"

#include <algorithm>

SupervisorModel::SupervisorModel(CentralReader *reader, int pageRows, int maxRows, QObject *parent)
    : QAbstractTableModel(parent), m_reader(reader), m_pageRows(pageRows), m_maxRows(std::max(maxRows, 2 * pageRows))
{
    connect(reader, &CentralReader::pageRead, this, &SupervisorModel::onPage, Qt::QueuedConnection);
    connect(reader, &CentralReader::readingsChanged, this, &SupervisorModel::onChanged, Qt::QueuedConnection);
    connect(reader, &CentralReader::stateChanged, this, [this](bool online, const QString &message) {
        // A page asked for while the server was away never comes: ask again.
        if (!online)
            m_fetching = false;
        emit stateChanged(online, message);
    }, Qt::QueuedConnection);
    connect(reader, &CentralReader::stationsRead, this, &SupervisorModel::stationsRead, Qt::QueuedConnection);
    connect(reader, &CentralReader::historyRead, this, &SupervisorModel::historyReady, Qt::QueuedConnection);
    connect(reader, &CentralReader::totalsRead, this, [this](int generation, const QList<SelectionTotal> &totals) {
        if (generation == m_generation)
            emit totalsReady(totals);
    }, Qt::QueuedConnection);
}

int SupervisorModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SupervisorModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : CentralColumns::count();
}

QVariant SupervisorModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const CentralRow &r = m_rows[size_t(index.row())];
    if (role == DeletedRole)
        return r.deleted;
    if (role != Qt::DisplayRole)
        return {};
    return CentralColumns::cell(r, index.column());
}

QVariant SupervisorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    return CentralColumns::caption(section);
}

void SupervisorModel::select(const ReadingFilter &filter)
{
    m_filter = filter;
    const int generation = ++m_generation;
    m_fetching = true;
    const int rows = m_pageRows;
    QMetaObject::invokeMethod(m_reader, [reader = m_reader, filter, generation, rows] {
        reader->select(filter, generation, rows);
    }, Qt::QueuedConnection);
}

void SupervisorModel::fetchOlder()
{
    if (m_fetching || !m_hasOlder || m_rows.empty())
        return;
    m_fetching = true;
    QMetaObject::invokeMethod(m_reader, [reader = m_reader, key = m_rows.front().key, g = m_generation, n = m_pageRows] {
        reader->fetchOlder(key, g, n);
    }, Qt::QueuedConnection);
}

void SupervisorModel::fetchNewer()
{
    if (m_fetching || !m_hasNewer || m_rows.empty())
        return;
    m_fetching = true;
    QMetaObject::invokeMethod(m_reader, [reader = m_reader, key = m_rows.back().key, g = m_generation, n = m_pageRows] {
        reader->fetchNewer(key, g, n);
    }, Qt::QueuedConnection);
}

void SupervisorModel::requestTotals()
{
    QMetaObject::invokeMethod(m_reader, [reader = m_reader, g = m_generation] { reader->readTotals(g); },
                              Qt::QueuedConnection);
}

void SupervisorModel::requestHistory(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    QMetaObject::invokeMethod(m_reader, [reader = m_reader, key = m_rows[size_t(row)].key] {
        reader->readHistory(key.station, key.reading);
    }, Qt::QueuedConnection);
}

void SupervisorModel::trimTop(int count)
{
    if (count <= 0)
        return;
    beginRemoveRows({}, 0, count - 1);
    m_rows.erase(m_rows.begin(), m_rows.begin() + count);
    endRemoveRows();
    m_hasOlder = true;
}

void SupervisorModel::trimBottom(int count)
{
    if (count <= 0)
        return;
    const int size = rowCount();
    beginRemoveRows({}, size - count, size - 1);
    m_rows.erase(m_rows.end() - count, m_rows.end());
    endRemoveRows();
    m_hasNewer = true;
}

void SupervisorModel::onPage(int generation, int kind, const QList<CentralRow> &rows, bool more)
{
    if (generation != m_generation)
        return;
    m_fetching = false;
    if (kind == CentralReader::Newest) {
        beginResetModel();
        m_rows.assign(rows.begin(), rows.end());
        endResetModel();
        m_hasOlder = more;
        m_hasNewer = false;
        return;
    }
    if (kind == CentralReader::Older) {
        if (!rows.isEmpty()) {
            beginInsertRows({}, 0, int(rows.size()) - 1);
            m_rows.insert(m_rows.begin(), rows.begin(), rows.end());
            endInsertRows();
        }
        m_hasOlder = more;
        trimBottom(rowCount() - m_maxRows);
    } else {
        if (!rows.isEmpty()) {
            beginInsertRows({}, rowCount(), rowCount() + int(rows.size()) - 1);
            m_rows.insert(m_rows.end(), rows.begin(), rows.end());
            endInsertRows();
        }
        m_hasNewer = more;
        trimTop(rowCount() - m_maxRows);
    }
}

int SupervisorModel::find(const QString &station, qint64 reading) const
{
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].key.reading == reading && m_rows[i].key.station == station)
            return int(i);
    }
    return -1;
}

bool SupervisorModel::belongsHere(const RowKey &key) const
{
    // Only inside the stretch held: a row before it is read with the older
    // pages, one after it (when newer rows are not held) with the newer.
    if (!m_rows.empty() && m_hasOlder && key < m_rows.front().key)
        return false;
    return !(m_hasNewer && !m_rows.empty() && m_rows.back().key < key);
}

void SupervisorModel::onChanged(int generation, const QList<CentralRow> &rows,
                                const QList<QPair<QString, qint64>> &asked)
{
    if (generation != m_generation)
        return;
    for (const auto &pair : asked) {
        // Named copies: a lambda may not capture structured bindings in C++17.
        const QString &station = pair.first;
        const qint64 reading = pair.second;
        const bool kept = std::any_of(rows.begin(), rows.end(), [&](const CentralRow &r) {
            return r.key.reading == reading && r.key.station == station;
        });
        const int at = kept ? -1 : find(station, reading);
        if (at >= 0) {
            beginRemoveRows({}, at, at);
            m_rows.erase(m_rows.begin() + at);
            endRemoveRows();
        }
    }
    for (const CentralRow &r : rows) {
        const int at = find(r.key.station, r.key.reading);
        if (at >= 0) {
            m_rows[size_t(at)] = r;
            emit dataChanged(index(at, 0), index(at, columnCount() - 1));
            continue;
        }
        if (!belongsHere(r.key))
            continue;
        // A late station's rows land where their station time puts them.
        const auto pos = std::upper_bound(m_rows.begin(), m_rows.end(), r.key,
                                          [](const RowKey &k, const CentralRow &row) { return k < row.key; });
        const int row = int(pos - m_rows.begin());
        beginInsertRows({}, row, row);
        m_rows.insert(pos, r);
        endInsertRows();
    }
    if (rowCount() > m_maxRows)
        trimTop(rowCount() - m_maxRows);
}

#include "journal/JournalGrid.h"

#include "common/AnsiText.h"

#include <QVarLengthArray>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

const QChar Tab = QLatin1Char('\t');

// The first c in [from, end), or end.
template<typename Char>
Char *find(Char *from, Char *end, char c)
{
    void *at = std::memchr(const_cast<char *>(from), c, size_t(end - from));
    return at ? static_cast<Char *>(at) : end;
}

} // namespace

JournalGrid::JournalGrid(QObject *parent)
    : QAbstractTableModel(parent)
{
}

QModelIndex JournalGrid::indexOf(int gridRow, int gridCol) const
{
    return index(modelRow(gridRow), modelColumn(gridCol));
}

QString JournalGrid::cleanCell(const QString &text)
{
    QString clean = text;
    for (QChar &c : clean) {
        if (c == Tab || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    return clean;
}

QString JournalGrid::normalisedRow(const QString &cells) const
{
    // A row that needs no change shares the caller's text (no copy of a
    // loaded journal): only what changes is detached.
    QString row = cells;
    row.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    qsizetype tabs = 0;
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (row.at(i) == Tab && ++tabs == m_cols) {
            row.truncate(i);
            return row;
        }
    }
    if (tabs < m_cols - 1)
        row.append(QString(m_cols - 1 - tabs, Tab));
    return row;
}

QString JournalGrid::cell(int row, int col, qsizetype maxLength) const
{
    if (row == 0)
        return maxLength < 0 ? m_captions.at(col) : m_captions.at(col).left(maxLength);
    return m_store.field(row - 1, col, maxLength);
}

JournalSnapshot JournalGrid::snapshot() const
{
    return JournalSnapshot(m_store, m_captions.mid(1, m_cols - 1), MaxShownLength);
}

void JournalGrid::setRows(int rows)
{
    rows = std::max(rows, 1);
    if (rows > Rows()) {
        beginInsertRows({}, Rows() - 1, rows - 2);
        const QString empty(m_cols - 1, Tab);
        m_store.reserve(rows - Rows(), (rows - Rows()) * m_cols);
        while (Rows() < rows)
            m_store.append(empty);
        endInsertRows();
    } else if (rows < Rows()) {
        const bool moves = m_row >= rows;
        if (moves)
            emit LeaveCell();
        beginRemoveRows({}, rows - 1, Rows() - 2);
        const int first = rows;
        const int count = Rows() - rows;
        m_store.remove(rows - 1, m_store.size() - (rows - 1));
        endRemoveRows();
        blockRowsRemoved(first, count);
        clampCurrent();
        if (moves)
            emit EnterCell();
    }
}

void JournalGrid::setCols(int cols)
{
    cols = std::max(cols, 1);
    if (cols == m_cols)
        return;
    const bool moves = m_col >= cols;
    if (moves)
        emit LeaveCell();
    beginResetModel();
    m_cols = cols;
    for (qsizetype r = 0; r < m_store.size(); ++r) {
        const QString row = m_store.text(r);
        const QString shaped = normalisedRow(row);
        if (shaped != row)
            m_store.replace(r, shaped);
    }
    while (m_captions.size() < cols) {
        m_captions.append(QString());
        m_widths.append(0);
        m_rightAligned.append(false);
    }
    m_captions.resize(cols);
    m_widths.resize(cols);
    m_rightAligned.resize(cols);
    endResetModel();
    clampCurrent();
    if (moves)
        emit EnterCell();
}

void JournalGrid::clampCurrent()
{
    m_row = std::min(m_row, Rows() - 1);
    m_col = std::min(m_col, Cols() - 1);
    m_rowSel = std::min(m_rowSel, Rows() - 1);
    m_colSel = std::min(m_colSel, Cols() - 1);
    m_block = {std::min(m_block.row, Rows() - 1), std::min(m_block.col, Cols() - 1),
               std::min(m_block.rowSel, Rows() - 1), std::min(m_block.colSel, Cols() - 1)};
    emit selectionMoved();
}

// Rows removed above the block move it up; rows removed from within it leave
// the grid's own selection in its place.
void JournalGrid::blockRowsRemoved(int first, int count)
{
    const int top = std::min(m_block.row, m_block.rowSel);
    const int bottom = std::max(m_block.row, m_block.rowSel);
    if (first > bottom)
        return;
    if (first + count - 1 < top) {
        m_block.row -= count;
        m_block.rowSel -= count;
    } else {
        m_block = {std::min(m_row, Rows() - 1), m_col, std::min(m_rowSel, Rows() - 1), m_colSel};
    }
}

void JournalGrid::setCurrentCell(int row, int col)
{
    row = std::clamp(row, 0, Rows() - 1);
    col = std::clamp(col, 0, Cols() - 1);
    if (row != m_row || col != m_col) {
        emit LeaveCell();
        m_row = row;
        m_col = col;
        m_rowSel = row;
        m_colSel = col;
        if (!m_following)
            m_block = {row, col, row, col};
        emit selectionMoved();
        emit EnterCell();
    } else if (m_rowSel != row || m_colSel != col
               || (!m_following && (m_block.row != row || m_block.col != col || m_block.rowSel != row
                                    || m_block.colSel != col))) {
        m_rowSel = row;
        m_colSel = col;
        if (!m_following)
            m_block = {row, col, row, col};
        emit selectionMoved();
    }
}

void JournalGrid::followNewRow(int row)
{
    m_following = true;
    setCurrentCell(row, 1);
    m_following = false;
}

void JournalGrid::setSelectionCorner(int rowSel, int colSel)
{
    rowSel = std::clamp(rowSel, 0, Rows() - 1);
    colSel = std::clamp(colSel, 0, Cols() - 1);
    if (rowSel == m_rowSel && colSel == m_colSel && rowSel == m_block.rowSel && colSel == m_block.colSel)
        return;
    m_rowSel = rowSel;
    m_colSel = colSel;
    // Extends the operator's block from where they began it.
    m_block.rowSel = rowSel;
    m_block.colSel = colSel;
    emit selectionMoved();
}

QString JournalGrid::TextMatrix(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return QString();
    return cell(row, col);
}

QStringView JournalGrid::dataCells(int row) const
{
    if (row < 1 || row >= Rows())
        return {};
    QByteArray bytes;
    m_store.appendEncodedFrom(row - 1, 1, bytes);
    m_dataCells = AnsiText::decode(bytes);
    return m_dataCells;
}

QString JournalGrid::dataText(int row) const
{
    if (row < 1 || row >= Rows())
        return {};
    QString text = m_store.text(row - 1);
    const qsizetype tab = text.indexOf(Tab);
    return tab < 0 ? QString() : text.remove(0, tab + 1);
}

void JournalGrid::appendFileLine(int row, QByteArray &out) const
{
    if (row >= 1 && row < Rows())
        m_store.appendEncodedFrom(row - 1, 1, out);
}

bool JournalGrid::encodedCells(int row, const int *columns, QByteArrayView *cells, int count) const
{
    // Field 0 of a stored row is the position column.
    QVarLengthArray<int, 4> fields(count);
    for (int k = 0; k < count; ++k)
        fields[k] = columns[k] < 0 ? -1 : columns[k] + 1;
    if (!m_store.encodedFields(row, fields.constData(), cells, count))
        return false;
    for (int k = 0; k < count; ++k)
        cells[k].truncate(std::min<qsizetype>(cells[k].size(), MaxShownLength));
    return true;
}

void JournalGrid::setTextMatrix(int row, int col, const QString &text)
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return;
    const QString clean = cleanCell(text);
    if (row == 0) {
        m_captions[col] = clean;
        if (col > 0)
            emit headerDataChanged(Qt::Horizontal, modelColumn(col), modelColumn(col));
        return;
    }
    if (col > 0)
        emit cellAboutToChange(row, col);
    m_store.replaceField(row - 1, col, clean);
    if (col == 0) {
        emit headerDataChanged(Qt::Vertical, modelRow(row), modelRow(row));
    } else {
        const QModelIndex i = indexOf(row, col);
        emit dataChanged(i, i);
    }
}

void JournalGrid::AddItem(const QString &tabSeparatedCells)
{
    addItems(QStringList{tabSeparatedCells});
}

void JournalGrid::addItems(const QStringList &rows)
{
    if (rows.isEmpty())
        return;
    beginInsertRows({}, Rows() - 1, Rows() - 2 + int(rows.size()));
    for (const QString &row : rows)
        m_store.append(normalisedRow(row));
    endInsertRows();
}

void JournalGrid::addFileLines(const QList<QByteArrayView> &lines)
{
    if (lines.isEmpty())
        return;
    beginInsertRows({}, Rows() - 1, Rows() - 2 + int(lines.size()));
    for (QByteArrayView line : lines) {
        // Shaped as normalisedRow shapes a decoded line: the cells beyond
        // the last column dropped, missing ones added empty, CR a blank.
        char number[24];
        const qsizetype digits = std::to_chars(number, number + sizeof number, Rows()).ptr - number;
        int tabs = 1;
        const char *cut = line.data() + line.size();
        for (const char *tab = line.data(); m_cols > 1 && (tab = find(tab, cut, '\t')) != cut; ++tab) {
            if (++tabs == m_cols) {
                cut = tab;
                break;
            }
        }
        const qsizetype kept = m_cols > 1 ? cut - line.data() : 0;
        const qsizetype padding = m_cols > 1 ? std::max(0, m_cols - 1 - tabs) : 0;
        char *row = m_store.appendEncoded(digits + (m_cols > 1 ? 1 : 0) + kept + padding);
        std::memcpy(row, number, size_t(digits));
        if (m_cols > 1) {
            row[digits] = '\t';
            char *cells = row + digits + 1;
            std::memcpy(cells, line.data(), size_t(kept));
            for (char *cr = cells, *end = cells + kept; (cr = find(cr, end, '\r')) != end; ++cr)
                *cr = ' ';
            std::memset(cells + kept, '\t', size_t(padding));
        }
    }
    endInsertRows();
}

bool JournalGrid::RemoveItem(int row)
{
    return RemoveItems(row, 1) == 1;
}

int JournalGrid::RemoveItems(int row, int count)
{
    if (row < 1 || row >= Rows())
        return 0;
    count = std::min({count, Rows() - row, Rows() - 2});
    if (count <= 0)
        return 0;
    const bool moves = m_row >= row;
    if (moves)
        emit LeaveCell();
    beginRemoveRows({}, modelRow(row), modelRow(row) + count - 1);
    m_store.remove(row - 1, count);
    endRemoveRows();
    blockRowsRemoved(row, count);
    clampCurrent();
    if (moves)
        emit EnterCell();
    return count;
}

void JournalGrid::setReadingIds(int firstRow, const QList<qint64> &ids)
{
    if (ids.isEmpty())
        return;
    for (qsizetype i = 0; i < ids.size(); ++i)
        m_store.setId(modelRow(firstRow) + i, ids.at(i));
    emit dataChanged(index(modelRow(firstRow), 0), index(modelRow(firstRow) + int(ids.size()) - 1, 0),
                     {ReadingIdRole});
}

void JournalGrid::Clear()
{
    beginResetModel();
    const QString empty(m_cols - 1, Tab);
    const qsizetype rows = m_store.size();
    m_store.clear();
    m_store.reserve(rows, rows * m_cols);
    for (qsizetype r = 0; r < rows; ++r)
        m_store.append(empty);
    std::fill(m_captions.begin(), m_captions.end(), QString());
    endResetModel();
}

int JournalGrid::ColWidth(int col) const
{
    return col >= 0 && col < m_cols ? m_widths[col] : 0;
}

void JournalGrid::setColWidth(int col, int twips)
{
    if (col < 0 || col >= m_cols || m_widths[col] == twips)
        return;
    m_widths[col] = twips;
    emit columnWidthChanged(col);
}

bool JournalGrid::ColRightAligned(int col) const
{
    return col >= 0 && col < m_cols && m_rightAligned[col];
}

void JournalGrid::setColRightAligned(int col, bool right)
{
    if (col < 0 || col >= m_cols || m_rightAligned[col] == right)
        return;
    m_rightAligned[col] = right;
    if (col > 0 && m_store.size() > 0)
        emit dataChanged(indexOf(1, col), indexOf(Rows() - 1, col), {Qt::TextAlignmentRole});
}

void JournalGrid::setMouseCell(int row, int col)
{
    m_mouseRow = row;
    m_mouseCol = col;
}

int JournalGrid::columnWithCaption(const QString &caption) const
{
    const qsizetype i = m_captions.indexOf(caption, 1);
    return i < 0 ? -1 : int(i);
}

int JournalGrid::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_store.size());
}

int JournalGrid::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_cols - 1;
}

QVariant JournalGrid::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return cell(gridRow(index), gridCol(index), MaxShownLength);
    case Qt::TextAlignmentRole:
        return int((m_rightAligned[gridCol(index)] ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant JournalGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section + 1 < m_cols ? m_captions[section + 1] : QString();
    return section >= 0 && section < m_store.size() ? cell(section + 1, 0, MaxShownLength) : QString();
}

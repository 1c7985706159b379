#include "journal/JournalSnapshot.h"

JournalSnapshot::JournalSnapshot(const RowStore &rows, const QStringList &captions, int shownLength)
    : m_rows(rows)
    , m_captions(captions)
    , m_shownLength(shownLength)
{
}

QString JournalSnapshot::cell(int row, int column) const
{
    // Field 0 of a row is its position column.
    return m_rows.field(row, column + 1, m_shownLength);
}

#pragma once

#include "journal/RowStore.h"

#include <QString>
#include <QStringList>

// The journal's captions and rows as they were when taken, for a job that
// reads them on another thread while readings go on being recorded. Taking
// it copies nothing: it shares the journal's buffers, and the journal copies
// them once, at its next change.
class JournalSnapshot
{
public:
    int rowCount() const { return int(m_rows.size()); }
    int columnCount() const { return int(m_captions.size()); }
    const QStringList &captions() const { return m_captions; }
    // A data cell (model coordinates) as the journal shows it.
    QString cell(int row, int column) const;

private:
    friend class JournalGrid;
    JournalSnapshot(const RowStore &rows, const QStringList &captions, int shownLength);

    RowStore m_rows;
    QStringList m_captions;
    int m_shownLength;
};

#include "journal/RowOperations.h"

#include "common/UserMessages.h"
#include "journal/JournalGrid.h"
#include "journal/NoteEditor.h"

#include <algorithm>

RowOperations::RowOperations(JournalGrid &grid, UserMessages &messages, NoteEditor &notes, QObject *parent)
    : QObject(parent)
    , m_grid(grid)
    , m_messages(messages)
    , m_notes(notes)
{
}

void RowOperations::DeleteSelectedRows()
{
    if (m_messages.show(QStringLiteral("Удалить выделенные строки ?"), QStringLiteral("Удаление"),
                        UserMessages::Buttons::YesNo, UserMessages::Icon::Question)
        != UserMessages::Answer::Yes)
        return;
    // Whatever the editor holds may belong to a row about to go.
    m_notes.setSkipCommit(true);
    if (m_grid.Row() == 0 || m_grid.RowSel() == 0) {
        m_messages.inform(QStringLiteral("Выделите строки для удаления!"));
        return;
    }
    const int first = std::min(m_grid.Row(), m_grid.RowSel());
    const int last = std::max(m_grid.Row(), m_grid.RowSel());
    // The last journal row cannot be removed: an empty one takes its place.
    if (first == 1 && last == m_grid.Rows() - 1)
        m_grid.setRows(m_grid.Rows() + 1);
    m_grid.RemoveItems(first, last - first + 1);
    m_grid.setSelectionCorner(m_grid.Row(), m_grid.Col());
    m_notes.copyCurrentCellText();
    RenumberRows();
    emit rowsDeleted();
}

void RowOperations::RenumberRows()
{
    for (int i = m_grid.Rows() - 1; i >= 1; --i)
        m_grid.setTextMatrix(i, 0, QString::number(i));
}

#include "journal/RowOperations.h"

#include "common/UserMessages.h"
#include "journal/JournalGrid.h"
#include "journal/JournalTexts.h"
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
    if (m_messages.show(JournalTexts::deleteQuestion(), JournalTexts::deleteTitle(),
                        UserMessages::Buttons::YesNo, UserMessages::Icon::Question)
        != UserMessages::Answer::Yes)
        return;
    // Whatever the editor holds may belong to a row about to go.
    m_notes.setSkipCommit(true);
    // The operator's block, as they left it: rows recorded meanwhile, the
    // question open included, are current but not selected.
    const JournalGrid::Block &block = m_grid.selectedBlock();
    if (block.row == 0 || block.rowSel == 0) {
        m_messages.inform(JournalTexts::selectRowsFirst());
        return;
    }
    const int first = std::min(block.row, block.rowSel);
    const int last = std::max(block.row, block.rowSel);
    // The last journal row cannot be removed: an empty one takes its place.
    if (first == 1 && last == m_grid.Rows() - 1)
        m_grid.setRows(m_grid.Rows() + 1);
    m_grid.RemoveItems(first, last - first + 1);
    m_grid.setCurrentCell(m_grid.Row(), m_grid.Col());
    m_notes.copyCurrentCellText();
    RenumberRows();
    emit rowsDeleted();
}

void RowOperations::RenumberRows()
{
    for (int i = m_grid.Rows() - 1; i >= 1; --i)
        m_grid.setTextMatrix(i, 0, QString::number(i));
}

#include "journal/NoteEditor.h"

#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"

NoteEditor::NoteEditor(JournalGrid &grid, NoteEditorWidget &editor, CellGeometry &cells, QObject *parent)
    : QObject(parent)
    , m_grid(grid)
    , m_editor(editor)
    , m_cells(cells)
{
}

// The pointer rests over a note cell below the header.
bool NoteEditor::mouseOverNote() const
{
    return m_grid.MouseRow() != 0 && m_grid.MouseCol() != 0
        && m_grid.TextMatrix(0, m_grid.MouseCol()) == JournalLayout::noteCaption();
}

// The mouse decides whether the editor appears, the current cell where: after
// a click both are the clicked cell.
bool NoteEditor::placeOverCurrentCell()
{
    if (!mouseOverNote()) {
        m_editor.setVisible(false);
        m_skipCommit = true;
        return false;
    }
    m_editor.setVisible(false);
    m_editor.setGeometry(m_cells.currentCellRect());
    m_editor.setText(m_grid.TextMatrix(m_grid.Row(), m_grid.Col()));
    // The editor now holds this cell's own text, nothing stale: what the
    // operator types from here on must be stored on leaving.
    m_skipCommit = false;
    return true;
}

void NoteEditor::enterCell()
{
    if (!placeOverCurrentCell())
        return;
    if (m_grid.Col() != 0)
        m_editor.setRightAligned(m_grid.ColRightAligned(m_grid.Col()));
    m_editor.setVisible(true);
    m_editor.setFocus();
}

void NoteEditor::setTextbox()
{
    if (placeOverCurrentCell())
        m_editor.setVisible(true);
}

void NoteEditor::leaveCell()
{
    const int row = m_grid.Row();
    const int col = m_grid.Col();
    if (m_grid.TextMatrix(0, col) != JournalLayout::noteCaption())
        return;
    if (m_skipCommit) {
        m_skipCommit = false;
        return;
    }
    // Only a journal cell takes a note; the header keeps its caption.
    if (row < 1 || col < 1)
        return;
    const QString old = m_grid.TextMatrix(row, col);
    m_grid.setTextMatrix(row, col, m_editor.text());
    if (m_grid.TextMatrix(row, col) != old)
        emit noteStored();
}

void NoteEditor::keyDown(int keyCode, int /*shift*/)
{
    const int row = m_grid.Row();
    if (keyCode == KeyUp && row > 1)
        m_grid.setCurrentCell(row - 1, m_grid.Col());
    else if (keyCode == KeyDown && row < m_grid.Rows() - 1)
        m_grid.setCurrentCell(row + 1, m_grid.Col());
}

void NoteEditor::copyCurrentCellText()
{
    m_editor.setText(m_grid.TextMatrix(m_grid.Row(), m_grid.Col()));
}

void NoteEditor::followCell()
{
    if (m_editor.isVisible())
        m_editor.setGeometry(m_cells.currentCellRect());
}

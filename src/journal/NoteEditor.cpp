#include "journal/NoteEditor.h"

#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"

NoteEditor::NoteEditor(JournalGrid &grid, NoteEditorWidget &editor, CellGeometry &cells, QObject *parent)
    : QObject(parent)
    , m_grid(grid)
    , m_editor(editor)
    , m_cells(cells)
{
    // Model rows are journal rows from 1 on.
    connect(&m_grid, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { rowsRemoved(first + 1, last + 1); });
    connect(&m_grid, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (m_editRow > 0)
            hide();
    });
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
        hide();
        return false;
    }
    m_editor.setVisible(false);
    m_editRow = m_grid.Row();
    m_editCol = m_grid.Col();
    m_editor.setGeometry(m_cells.cellRect(m_editRow, m_editCol));
    m_editor.setText(m_grid.TextMatrix(m_editRow, m_editCol));
    // The editor now holds this cell's own text, nothing stale: what the
    // operator types from here on must be stored on leaving.
    m_skipCommit = false;
    return true;
}

void NoteEditor::hide()
{
    m_editor.setVisible(false);
    m_skipCommit = true;
    m_editRow = 0;
    m_editCol = 0;
}

void NoteEditor::enterCell()
{
    if (m_grid.followingNewRow()) {
        // A recorded reading: a note being typed stays where it is; no
        // editor appears over the new row.
        if (!editing())
            hide();
        return;
    }
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
    if (m_grid.followingNewRow())
        return;
    // The cell being left is the editor's own, even when a recorded reading
    // has made another row current meanwhile.
    const int row = editing() ? m_editRow : m_grid.Row();
    const int col = editing() ? m_editCol : m_grid.Col();
    if (m_grid.TextMatrix(0, col) != JournalLayout::noteCaption())
        return;
    if (m_skipCommit) {
        m_skipCommit = false;
        return;
    }
    store(row, col);
}

void NoteEditor::storeEdit()
{
    if (editing() && !m_skipCommit && m_grid.TextMatrix(0, m_editCol) == JournalLayout::noteCaption())
        store(m_editRow, m_editCol);
}

void NoteEditor::store(int row, int col)
{
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
    if (keyCode == KeyReturn) {
        storeEdit();
        return;
    }
    const int row = editing() ? m_editRow : m_grid.Row();
    const int col = editing() ? m_editCol : m_grid.Col();
    if (keyCode == KeyUp && row > 1)
        m_grid.setCurrentCell(row - 1, col);
    else if (keyCode == KeyDown && row < m_grid.Rows() - 1)
        m_grid.setCurrentCell(row + 1, col);
}

void NoteEditor::copyCurrentCellText()
{
    m_editor.setText(m_grid.TextMatrix(m_grid.Row(), m_grid.Col()));
}

void NoteEditor::followCell()
{
    if (editing())
        m_editor.setGeometry(m_cells.cellRect(m_editRow, m_editCol));
}

// Rows removed above the edited one move it up; when its own row goes, the
// note goes with it.
void NoteEditor::rowsRemoved(int first, int last)
{
    if (!editing() || m_editRow < first)
        return;
    if (m_editRow <= last) {
        hide();
        return;
    }
    m_editRow -= last - first + 1;
}

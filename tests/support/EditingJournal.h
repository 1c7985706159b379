#pragma once

#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"
#include "journal/NoteEditor.h"

#include <QObject>

// The note editor box as the note editing drives it.
class FakeNoteEditor : public NoteEditorWidget
{
public:
    QString text() const override { return m_text; }
    void setText(const QString &text) override { m_text = text; }
    void setVisible(bool visible) override { m_visible = visible; }
    bool isVisible() const override { return m_visible; }
    void setGeometry(const QRect &gridRect) override { m_geometry = gridRect; }
    void setRightAligned(bool right) override { m_rightAligned = right; }
    void setFocus() override { ++m_focusTaken; }

    QString m_text;
    bool m_visible = false;
    QRect m_geometry;
    bool m_rightAligned = false;
    int m_focusTaken = 0;
};

// Cells of 100 x 20 pixels.
class FakeCellGeometry : public CellGeometry
{
public:
    QRect cellRect(int row, int col) const override
    {
        return row > 0 && col > 0 ? QRect(col * 100, row * 20, 100, 20) : QRect();
    }
};

// A journal laid out and filled, with the note editor wired to its cell
// events as the main window wires it. Row i holds i in the position column
// and in NomPP, "<key> i" in the other data columns and "note i" as its note.
struct EditingJournal {
    explicit EditingJournal(int rows, const QVector<JournalColumn> &columns = JournalLayout::weighing())
    {
        QObject::connect(&grid, &JournalGrid::EnterCell, &notes, &NoteEditor::enterCell);
        QObject::connect(&grid, &JournalGrid::LeaveCell, &notes, &NoteEditor::leaveCell);
        JournalLayout::apply(columns, grid);
        for (int i = 1; i <= rows; ++i) {
            QStringList cells{QString::number(i), QString::number(i)};
            for (int c = 1; c < columns.size() - 1; ++c)
                cells << QStringLiteral("%1 %2").arg(columns[c].key).arg(i);
            cells << QStringLiteral("note %1").arg(i);
            grid.AddItem(cells.join(QLatin1Char('\t')));
        }
    }

    int noteCol() const { return grid.columnWithCaption(JournalLayout::noteCaption()); }

    // A mouse click: the pointer over the cell, then the cell current.
    void click(int row, int col)
    {
        grid.setMouseCell(row, col);
        grid.setCurrentCell(row, col);
    }

    JournalGrid grid;
    FakeNoteEditor editor;
    FakeCellGeometry cells;
    NoteEditor notes{grid, editor, cells};
};

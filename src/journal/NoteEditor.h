#pragma once

#include <QObject>
#include <QRect>
#include <QString>

class JournalGrid;

// The single-line box that edits a note in place, as the note editing uses
// it. Geometry is in pixels relative to the journal grid.
class NoteEditorWidget
{
public:
    virtual ~NoteEditorWidget() = default;
    virtual QString text() const = 0;
    virtual void setText(const QString &text) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual bool isVisible() const = 0;
    virtual void setGeometry(const QRect &gridRect) = 0;
    virtual void setRightAligned(bool right) = 0;
    // May fail (the window is not active, say); nothing depends on it.
    virtual void setFocus() = 0;
};

// Where the journal's current cell is on screen, relative to the grid.
class CellGeometry
{
public:
    virtual ~CellGeometry() = default;
    // Empty for a header cell.
    virtual QRect cellRect(int row, int col) const = 0;
};

// Notes are edited in place: when the operator moves into a note cell with
// the mouse, the editor is laid over it with the cell's text; leaving the
// cell copies the editor text back. The skip-commit flag makes the next
// leave of a note cell store nothing, for the times the editor holds text
// that belongs to no cell (it was hidden, the journal was rebuilt, rows were
// deleted).
//
// The editor belongs to the cell it was laid over: a reading recorded while
// the operator types makes its new row current without moving, storing or
// cutting the note being typed; leaving stores it into its own cell.
class NoteEditor : public QObject
{
    Q_OBJECT

public:
    // Key codes of the editor's key-down event: the arrow keys and Enter.
    // Every other key is typing and has code 0.
    static constexpr int KeyUp = 38;
    static constexpr int KeyDown = 40;
    static constexpr int KeyReturn = 13;

    NoteEditor(JournalGrid &grid, NoteEditorWidget &editor, CellGeometry &cells, QObject *parent = nullptr);

    // The grid's cell events: enterCell after the current cell changed,
    // leaveCell before it changes.
    void enterCell();
    void leaveCell();
    // Up and Down in the editor move to the note of the neighbouring row;
    // Enter stores the note.
    void keyDown(int keyCode, int shift);
    // Stores the note being edited into its cell, as leaving the cell
    // would; the editor stays. Commands that save or replace the journal
    // run it first.
    void storeEdit();
    // Hides the editor; what it holds belongs to no cell any more.
    void hide();
    // Lays the editor over the current cell with its text, as entering the
    // cell does, but leaves alignment and focus alone.
    void setTextbox();

    bool skipCommit() const { return m_skipCommit; }
    void setSkipCommit(bool skip) { m_skipCommit = skip; }
    // Puts the current cell's text into the editor, so that a later commit
    // writes back what the cell already holds.
    void copyCurrentCellText();
    // Keeps a visible editor over its cell when the cells move on screen.
    void followCell();

signals:
    // A leave stored an edited note that differs from the cell's old text.
    void noteStored();

private:
    bool mouseOverNote() const;
    bool placeOverCurrentCell();
    bool editing() const { return m_editRow > 0 && m_editor.isVisible(); }
    void store(int row, int col);
    void rowsRemoved(int first, int last);

    JournalGrid &m_grid;
    NoteEditorWidget &m_editor;
    CellGeometry &m_cells;
    bool m_skipCommit = false;
    // The cell the editor lies over; row 0 while it lies over none.
    int m_editRow = 0;
    int m_editCol = 0;
};

#pragma once

#include "journal/JournalLayout.h"
#include "journal/JournalSnapshot.h"
#include "journal/RowStore.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QVector>

// The journal table with the semantics of a grid of text cells: row 0 is the
// fixed header row (the captions), column 0 the fixed position column, and
// journal rows are 1..Rows()-1. The current cell (Row, Col) and the opposite
// corner of the selection (RowSel, ColSel) live here, so that the logic works
// without a view; (0, 0) means "no journal cell". Changing the current cell
// raises LeaveCell (still on the old cell) and EnterCell (on the new one)
// before it returns, whoever changes it: program, keyboard or mouse.
//
// As a Qt model it shows the journal rows and data columns; the position
// column is the vertical header and the captions the horizontal header. All
// conversion between grid and model coordinates is done here.
class JournalGrid : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit JournalGrid(QObject *parent = nullptr);

    // Grid <-> model coordinates.
    static int modelRow(int gridRow) { return gridRow - 1; }
    static int modelColumn(int gridCol) { return gridCol - 1; }
    static int gridRow(const QModelIndex &index) { return index.row() + 1; }
    static int gridCol(const QModelIndex &index) { return index.column() + 1; }
    QModelIndex indexOf(int gridRow, int gridCol) const;

    int Rows() const { return int(m_store.size()) + 1; }
    int Cols() const { return m_cols; }
    // Appends empty rows or drops rows from the end.
    void setRows(int rows);
    // Keeps the text of the remaining columns.
    void setCols(int cols);

    int Row() const { return m_row; }
    int Col() const { return m_col; }
    int RowSel() const { return m_rowSel; }
    int ColSel() const { return m_colSel; }
    // Moves the current cell (raising LeaveCell and EnterCell when it is a
    // different cell) and collapses the selection onto it.
    void setCurrentCell(int row, int col);
    // Moves the opposite corner of the selection; the current cell stays.
    void setSelectionCorner(int rowSel, int colSel);

    // The block the operator selected: the current cell and the selection
    // corner as the last setCurrentCell or setSelectionCorner left them.
    // A recorded row made current (followNewRow) leaves it as it is.
    struct Block {
        int row = 0;
        int col = 0;
        int rowSel = 0;
        int colSel = 0;
    };
    const Block &selectedBlock() const { return m_block; }
    // Makes a newly recorded row current, at its first data column, with its
    // cell events, but keeps the operator's selected block: what they
    // selected or are typing stays theirs while readings come in.
    void followNewRow(int row);
    // True while followNewRow raises its cell events.
    bool followingNewRow() const { return m_following; }

    QString TextMatrix(int row, int col) const;
    // The cells of columns 1 on of a journal row, joined by Tab: the row as
    // a journal file line holds it. The view holds until the next call.
    QStringView dataCells(int row) const;
    // The same cells as the journal keeps them: a character the file's code
    // page has not (typed into a note) stays itself.
    QString dataText(int row) const;
    // The same in the file's code page, appended to out.
    void appendFileLine(int row, QByteArray &out) const;
    // For readers of every row (the totals): the cells of a model row in
    // the given model columns (-1: none, an empty cell), as the file's code
    // page holds them and as data() shows them (at most MaxShownLength),
    // found in one pass and not copied; they hold until the grid changes.
    // False for a row kept as text (it holds a character the code page has
    // not): data() gives its cells.
    bool encodedCells(int row, const int *columns, QByteArrayView *cells, int count) const;
    // The captions and rows as they are now, for a job on another thread.
    JournalSnapshot snapshot() const;
    // Tab, CR and LF become blanks: a cell is one field of one file line.
    void setTextMatrix(int row, int col, const QString &text);
    // Appends a row given as its cells separated by Tab, column 0 first;
    // fields beyond the last column are dropped, missing ones left empty.
    void AddItem(const QString &tabSeparatedCells);
    // Appends many rows at once, as AddItem does for each.
    void addItems(const QStringList &rows);
    // Appends the lines of a journal file (cells of columns 1 on, in the
    // file's code page, each line without its line end) as rows numbered
    // on from the last one, as addItems does with the lines decoded.
    void addFileLines(const QList<QByteArrayView> &lines);
    // Removes a journal row. Refuses (returns false) to remove the last one.
    bool RemoveItem(int row);
    // Removes up to count rows from row on, as count RemoveItem calls would,
    // in one step: the last journal row stays, the cell events come once.
    // Returns how many rows went.
    int RemoveItems(int row, int count);
    // Empties every cell, captions included; the shape stays.
    void Clear();

    // The reading a journal row is (RowStore::id). Setting ids changes the
    // rows' first data cells in ReadingIdRole, so that whoever keeps the
    // rows hears of it.
    static constexpr int ReadingIdRole = Qt::UserRole + 1;
    qint64 readingId(int row) const { return m_store.id(row - 1); }
    // Rows firstRow, firstRow + 1, … get ids.
    void setReadingIds(int firstRow, const QList<qint64> &ids);

    // Column widths in twips; column 0 is the position column.
    int ColWidth(int col) const;
    void setColWidth(int col, int twips);
    bool ColRightAligned(int col) const;
    void setColRightAligned(int col, bool right);

    // Cell under the mouse pointer, as the view reports it (0 over the header
    // row or the position column, and when the pointer is not over the grid).
    int MouseRow() const { return m_mouseRow; }
    int MouseCol() const { return m_mouseCol; }
    void setMouseCell(int row, int col);

    // Grid column whose caption equals caption exactly, or -1.
    int columnWithCaption(const QString &caption) const;

    // The most characters a cell shows on screen. A cell keeps its whole
    // text (TextMatrix, files); laying out megabytes of one cell for a few
    // centimetres of screen would freeze the window.
    static constexpr int MaxShownLength = 1000;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // A data cell's text is about to be replaced (dataChanged follows): the
    // row can still be read as it was.
    void cellAboutToChange(int row, int col);
    void LeaveCell();
    void EnterCell();
    // The current cell or the selection moved (for the view).
    void selectionMoved();
    void columnWidthChanged(int col);

private:
    static QString cleanCell(const QString &text);
    QString normalisedRow(const QString &cells) const;
    QString cell(int row, int col, qsizetype maxLength = -1) const;
    void clampCurrent();
    void blockRowsRemoved(int first, int count);

    // Journal rows, each its cells (column 0 first) joined by Tab; a cell never
    // holds a Tab, CR or LF.
    RowStore m_store;
    mutable QString m_dataCells; // what dataCells() last gave
    QStringList m_captions{QString()};
    QVector<int> m_widths{0};
    QVector<bool> m_rightAligned{false};
    int m_cols = 1;
    int m_row = 0;
    int m_col = 0;
    int m_rowSel = 0;
    int m_colSel = 0;
    int m_mouseRow = 0;
    int m_mouseCol = 0;
    Block m_block;
    bool m_following = false;
};

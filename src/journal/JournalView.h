#pragma once

#include "widgets/ThrottledTableView.h"

class JournalGrid;

// The journal grid on screen. The current cell and the selection belong to
// the JournalGrid: mouse and keyboard move them there (so its cell events
// fire however the cell changes) and the view only shows them. Clicking the
// position column selects whole rows, as in a spreadsheet.
//
// Rows may come sixty a second for hours: the view shows the grid's
// selection, scrolls to its current cell and repaints at most once every
// MinRepaintMs, however fast the rows come; a change after a quiet spell
// shows at once.
class JournalView : public ThrottledTableView
{
    Q_OBJECT

public:
    static constexpr int MinRepaintMs = 200;

    explicit JournalView(JournalGrid &grid, QWidget *parent = nullptr);

    JournalGrid &grid() const { return m_grid; }

    // Geometry of a cell relative to this widget (empty for header cells).
    QRect cellGeometry(int row, int col) const;

    // Column widths and alignment as the grid holds them, in twips.
    void applyColumnWidths();

    // The corner button and Ctrl+A select every journal row.
    void selectAll() override;

    // Whether the view scrolls to the current cell when it moves. A note
    // being typed holds it, so that readings made current meanwhile do not
    // scroll the note out of sight.
    void setFollowCurrent(bool follow) { m_followCurrent = follow; }

    // Tells the grid which cell lies under a point of the viewport; for
    // widgets laid over the cells, which take the pointer's events.
    void trackMouse(const QPoint &viewportPos);

signals:
    // Cells moved on screen: scrolled, a column resized, the view resized.
    void cellsMoved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent *event) override;
    void showChanges() override;

private:
    void fitRowHeader();
    int gridRowAt(int viewportY) const;
    int gridColAt(int viewportX) const;
    void pressRowHeader(int row, bool extend);
    void pressColumnHeader(int col, bool extend);
    bool onColumnBorder(int headerX) const;
    bool moveByKey(int key, Qt::KeyboardModifiers modifiers);

    JournalGrid &m_grid;
    enum class Drag { None, Cells, Rows, Columns } m_drag = Drag::None;
    bool m_syncing = false;
    bool m_followCurrent = true;
    int m_rowDigits = 0; // of the largest row number, as the row header is sized
};

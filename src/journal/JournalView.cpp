#include "journal/JournalView.h"

#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"
#include "journal/JournalTexts.h"
#include "widgets/TextCellDelegate.h"
#include "widgets/Twips.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

#include <algorithm>

JournalView::JournalView(JournalGrid &grid, QWidget *parent)
    : ThrottledTableView(MinRepaintMs, parent)
    , m_grid(grid)
{
    setModel(&grid);
    setItemDelegate(new TextCellDelegate(this));
    setEditTriggers(NoEditTriggers);
    setTabKeyNavigation(false); // Tab leaves the journal for the next control
    setSelectionMode(NoSelection); // selection is drawn from the grid's own
    setSelectionBehavior(SelectItems);
    setMouseTracking(true);
    setWordWrap(false);
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerItem);

    QHeaderView *rows = verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(Twips::toPixels(JournalLayout::RowHeight));
    rows->setDefaultSectionSize(Twips::toPixels(JournalLayout::RowHeight));
    rows->setDefaultAlignment(Qt::AlignCenter);
    rows->setHighlightSections(false);
    QHeaderView *cols = horizontalHeader();
    cols->setSectionResizeMode(QHeaderView::Interactive);
    cols->setStretchLastSection(false);
    cols->setHighlightSections(false);
    cols->setSectionsClickable(true);
    for (QHeaderView *h : {rows, cols}) {
        h->setMouseTracking(true);
        h->viewport()->setMouseTracking(true);
        h->viewport()->installEventFilter(this);
    }

    if (auto *corner = findChild<QAbstractButton *>())
        corner->setAccessibleName(JournalTexts::selectAllRows());

    // Qt lays a new row out and paints it by itself; only rows that come
    // right after a showing wait for the interval.
    connect(&grid, &JournalGrid::selectionMoved, &throttle(), &RepaintThrottle::changed);
    for (auto rowsChanged : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&grid, rowsChanged, this, &JournalView::fitRowHeader);
    connect(&grid, &QAbstractItemModel::modelReset, this, [this] {
        applyColumnWidths();
        throttle().showNow();
    });
    connect(&grid, &JournalGrid::columnWidthChanged, this, [this](int col) {
        if (col == 0)
            applyColumnWidths();
        else if (!m_syncing)
            horizontalHeader()->resizeSection(JournalGrid::modelColumn(col), Twips::toPixels(m_grid.ColWidth(col)));
    });
    connect(cols, &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        m_syncing = true;
        m_grid.setColWidth(section + 1, Twips::fromPixels(size));
        m_syncing = false;
        emit cellsMoved();
    });
}

void JournalView::applyColumnWidths()
{
    m_rowDigits = 0;
    fitRowHeader();
    m_syncing = true;
    for (int c = 1; c < m_grid.Cols(); ++c)
        horizontalHeader()->resizeSection(JournalGrid::modelColumn(c), Twips::toPixels(m_grid.ColWidth(c)));
    m_syncing = false;
    emit cellsMoved();
}

// The row numbers show whole: the row header is as wide as the position
// column or as the largest row number's digits, whichever is wider. Measured
// when the number of digits changes, never text by text.
void JournalView::fitRowHeader()
{
    const int digits = int(QString::number(std::max(1, m_grid.Rows() - 1)).size());
    if (digits == m_rowDigits)
        return;
    m_rowDigits = digits;
    QHeaderView *rows = verticalHeader();
    const int margin = rows->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, rows);
    const int needed = rows->fontMetrics().horizontalAdvance(QString(digits, QLatin1Char('0'))) + 2 * margin + 2;
    const int width = std::max(Twips::toPixels(m_grid.ColWidth(0)), needed);
    if (rows->minimumWidth() == width && rows->maximumWidth() == width)
        return;
    rows->setFixedWidth(width);
    emit cellsMoved();
}

void JournalView::selectAll()
{
    if (m_grid.Rows() < 2)
        return;
    m_grid.setCurrentCell(1, 1);
    m_grid.setSelectionCorner(m_grid.Rows() - 1, m_grid.Cols() - 1);
}

QRect JournalView::cellGeometry(int row, int col) const
{
    if (row < 1 || col < 1 || row >= m_grid.Rows() || col >= m_grid.Cols())
        return {};
    const QRect r = visualRect(m_grid.indexOf(row, col));
    return r.translated(viewport()->geometry().topLeft());
}

void JournalView::showChanges()
{
    QItemSelectionModel *sel = selectionModel();
    // The operator's block stays marked while recorded rows become current.
    const JournalGrid::Block &block = m_grid.selectedBlock();
    const int top = std::max(1, std::min(block.row, block.rowSel));
    const int bottom = std::max(block.row, block.rowSel);
    const int left = std::max(1, std::min(block.col, block.colSel));
    const int right = std::max(block.col, block.colSel);
    QItemSelection selection;
    if (bottom >= 1 && right >= 1)
        selection.select(m_grid.indexOf(top, left), m_grid.indexOf(bottom, right));
    sel->select(selection, QItemSelectionModel::ClearAndSelect);
    const QModelIndex current = m_grid.indexOf(m_grid.Row(), m_grid.Col());
    // A new current index scrolls the view to it by itself (auto-scroll).
    const bool autoScrolls = hasAutoScroll();
    setAutoScroll(autoScrolls && m_followCurrent);
    sel->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    setAutoScroll(autoScrolls);
    if (current.isValid() && m_followCurrent)
        scrollTo(current);
}

int JournalView::gridRowAt(int viewportY) const
{
    const int r = rowAt(viewportY);
    return r < 0 ? 0 : r + 1;
}

int JournalView::gridColAt(int viewportX) const
{
    const int c = columnAt(viewportX);
    return c < 0 ? 0 : c + 1;
}

void JournalView::trackMouse(const QPoint &viewportPos)
{
    m_grid.setMouseCell(gridRowAt(viewportPos.y()), gridColAt(viewportPos.x()));
}

void JournalView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    trackMouse(event->position().toPoint());
    const int row = gridRowAt(event->position().toPoint().y());
    const int col = gridColAt(event->position().toPoint().x());
    if (event->button() != Qt::LeftButton || row == 0 || col == 0)
        return;
    if (event->modifiers() & Qt::ShiftModifier)
        m_grid.setSelectionCorner(row, col);
    else
        m_grid.setCurrentCell(row, col);
    m_drag = Drag::Cells;
}

void JournalView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    trackMouse(pos);
    if (m_drag == Drag::Cells && (event->buttons() & Qt::LeftButton)) {
        const int row = gridRowAt(pos.y());
        const int col = gridColAt(pos.x());
        if (row > 0 && col > 0)
            m_grid.setSelectionCorner(row, col);
    }
}

void JournalView::mouseReleaseEvent(QMouseEvent *event)
{
    m_drag = Drag::None;
    trackMouse(event->position().toPoint());
}

void JournalView::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void JournalView::leaveEvent(QEvent *event)
{
    m_grid.setMouseCell(0, 0);
    ThrottledTableView::leaveEvent(event);
}

void JournalView::pressRowHeader(int row, bool extend)
{
    if (row < 1)
        return;
    if (!extend)
        m_grid.setCurrentCell(row, 1);
    m_grid.setSelectionCorner(row, m_grid.Cols() - 1);
}

void JournalView::pressColumnHeader(int col, bool extend)
{
    if (col < 1 || m_grid.Rows() < 2)
        return;
    if (!extend)
        m_grid.setCurrentCell(1, col);
    m_grid.setSelectionCorner(m_grid.Rows() - 1, col);
}

bool JournalView::onColumnBorder(int x) const
{
    const QHeaderView *h = horizontalHeader();
    const int section = h->logicalIndexAt(x);
    if (section < 0)
        return false;
    const int grip = h->style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, h);
    const int left = h->sectionViewportPosition(section);
    const int right = left + h->sectionSize(section);
    return (section > 0 && x - left < grip) || right - x <= grip;
}

bool JournalView::eventFilter(QObject *watched, QEvent *event)
{
    const bool onRows = watched == verticalHeader()->viewport();
    const bool onCols = watched == horizontalHeader()->viewport();
    if (!onRows && !onCols)
        return ThrottledTableView::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint pos = mouse->position().toPoint();
        const int row = onRows ? gridRowAt(pos.y()) : 0;
        const int col = onCols ? gridColAt(pos.x()) : 0;
        m_grid.setMouseCell(row, col);
        const bool press = event->type() != QEvent::MouseMove;
        if (press && mouse->button() == Qt::LeftButton) {
            // A press on the border between two captions resizes the column.
            if (onCols && onColumnBorder(pos.x()))
                return false;
            setFocus(Qt::MouseFocusReason);
            const bool extend = mouse->modifiers() & Qt::ShiftModifier;
            if (onRows)
                pressRowHeader(row, extend);
            else
                pressColumnHeader(col, extend);
            m_drag = onRows ? Drag::Rows : Drag::Columns;
            return true;
        }
        if (!press && (mouse->buttons() & Qt::LeftButton)) {
            if (m_drag == Drag::Rows && row > 0) {
                m_grid.setSelectionCorner(row, m_grid.Cols() - 1);
                return true;
            }
            if (m_drag == Drag::Columns && col > 0) {
                m_grid.setSelectionCorner(m_grid.Rows() - 1, col);
                return true;
            }
        }
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (m_drag == Drag::Rows || m_drag == Drag::Columns) {
            m_drag = Drag::None;
            return true;
        }
        return false;
    case QEvent::Leave:
        m_grid.setMouseCell(0, 0);
        return false;
    default:
        return false;
    }
}

bool JournalView::moveByKey(int key, Qt::KeyboardModifiers modifiers)
{
    const bool extend = modifiers & Qt::ShiftModifier;
    const bool far = modifiers & Qt::ControlModifier;
    int row = extend ? m_grid.selectedBlock().rowSel : m_grid.Row();
    int col = extend ? m_grid.selectedBlock().colSel : m_grid.Col();
    const int lastRow = m_grid.Rows() - 1;
    const int lastCol = m_grid.Cols() - 1;
    if (lastRow < 1 || lastCol < 1)
        return false;
    row = std::max(row, 1);
    col = std::max(col, 1);
    const int page = std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()) - 1);
    switch (key) {
    case Qt::Key_Up: row = far ? 1 : row - 1; break;
    case Qt::Key_Down: row = far ? lastRow : row + 1; break;
    case Qt::Key_Left: col = far ? 1 : col - 1; break;
    case Qt::Key_Right: col = far ? lastCol : col + 1; break;
    case Qt::Key_PageUp: row -= page; break;
    case Qt::Key_PageDown: row += page; break;
    case Qt::Key_Home:
        col = 1;
        if (far)
            row = 1;
        break;
    case Qt::Key_End:
        col = lastCol;
        if (far)
            row = lastRow;
        break;
    default:
        return false;
    }
    row = std::clamp(row, 1, lastRow);
    col = std::clamp(col, 1, lastCol);
    if (extend)
        m_grid.setSelectionCorner(row, col);
    else
        m_grid.setCurrentCell(row, col);
    return true;
}

void JournalView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    if (moveByKey(event->key(), event->modifiers()))
        return;
    ThrottledTableView::keyPressEvent(event);
}

void JournalView::scrollContentsBy(int dx, int dy)
{
    ThrottledTableView::scrollContentsBy(dx, dy);
    emit cellsMoved();
}

void JournalView::resizeEvent(QResizeEvent *event)
{
    ThrottledTableView::resizeEvent(event);
    emit cellsMoved();
}

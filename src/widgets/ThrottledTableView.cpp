#include "widgets/ThrottledTableView.h"

#include "widgets/RowHeader.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

ThrottledTableView::ThrottledTableView(int intervalMs, QWidget *parent)
    : QTableView(parent)
    , m_throttle(*this, intervalMs, [this] {
        if (m_geometriesHeld)
            updateGeometries();
        showChanges();
    })
{
    setVerticalHeader(new RowHeader(this));
}

void ThrottledTableView::setModel(QAbstractItemModel *model)
{
    if (this->model())
        disconnect(this->model(), &QAbstractItemModel::rowsAboutToBeInserted, &m_throttle, nullptr);
    QTableView::setModel(model);
    // Held before the row goes in: the headers repaint themselves for a row
    // they take while not held, and place all their rows anew to do so.
    if (model)
        connect(model, &QAbstractItemModel::rowsAboutToBeInserted, &m_throttle, &RepaintThrottle::hold);
    // Qt lays the whole view out on the next turn of the event loop for every
    // row counted, and its scroll area posts itself a call for every change
    // of the scroll range; rows that come while held count here instead.
    // Qt connects each header it is given (setVerticalHeader, called before
    // setModel), so the count is taken over here, at every setModel.
    disconnect(verticalHeader(), SIGNAL(sectionCountChanged(int,int)), this, SLOT(rowCountChanged(int,int)));
    connect(verticalHeader(), &QHeaderView::sectionCountChanged, this, &ThrottledTableView::rowsCounted,
            Qt::UniqueConnection);
}

void ThrottledTableView::rowsCounted(int before, int now)
{
    if (now > before && m_throttle.holding()) {
        m_geometriesHeld = true;
        followRows();
        return;
    }
    rowCountChanged(before, now);
}

void ThrottledTableView::followRows()
{
    // The scroll range follows the rows at once (every row has one height),
    // so that a scroll while held reaches them. The scroll area listens to
    // the range only to show or hide its bar, through a call it posts itself
    // each time; a range that grows from one that scrolled already cannot
    // change that. A view may outlive its model while its window is destroyed.
    const int rows = model() ? model()->rowCount() : 0;
    const int shown = std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()));
    const int maximum = std::max(0, rows - shown);
    QScrollBar *bar = verticalScrollBar();
    const QSignalBlocker quiet(bar->maximum() > 0 && maximum >= bar->maximum() ? bar : nullptr);
    bar->setRange(0, maximum);
}

void ThrottledTableView::updateGeometries()
{
    // Placing the rows again walks every row (Qt's headers recompute the
    // position of each after an insert, and lay out the scroll bars and
    // margins): rows that come while repaints are held are placed once,
    // when they show.
    m_geometriesHeld = m_throttle.holding();
    if (m_geometriesHeld)
        followRows();
    else
        QTableView::updateGeometries();
}

#include "widgets/ThrottledTableView.h"

#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>

ThrottledTableView::ThrottledTableView(int intervalMs, QWidget *parent)
    : QTableView(parent)
    , m_throttle(*this, intervalMs, [this] {
        if (m_geometriesHeld)
            updateGeometries();
        showChanges();
    })
{
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
}

void ThrottledTableView::updateGeometries()
{
    // Placing the rows again walks every row (Qt's headers recompute the
    // position of each after an insert, and lay out the scroll bars and
    // margins): rows that come while repaints are held are placed once,
    // when they show.
    m_geometriesHeld = m_throttle.holding();
    if (!m_geometriesHeld) {
        QTableView::updateGeometries();
        return;
    }
    // The scroll range follows the rows at once: every row has one height.
    // A view may outlive its model while its window is destroyed.
    const int rows = model() ? model()->rowCount() : 0;
    const int shown = std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()));
    verticalScrollBar()->setRange(0, std::max(0, rows - shown));
}

#pragma once

#include "widgets/RepaintThrottle.h"

#include <QTableView>

// A table whose rows may come sixty a second for hours. Rows that come less
// than the interval after the view last showed a change wait, with the
// view's updates held, and are laid out and painted once when the interval
// is over; a change after a quiet spell shows at once.
class ThrottledTableView : public QTableView
{
    Q_OBJECT

public:
    ThrottledTableView(int intervalMs, QWidget *parent);

    void setModel(QAbstractItemModel *model) override;

protected:
    // Brings what a showing shows up to date, beyond the rows' layout.
    virtual void showChanges() {}
    RepaintThrottle &throttle() { return m_throttle; }
    void updateGeometries() override;

private:
    void rowsCounted(int before, int now);
    void followRows();

    RepaintThrottle m_throttle;
    bool m_geometriesHeld = false;
};

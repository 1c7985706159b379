#pragma once

#include "widgets/ElidingLabel.h"
#include "widgets/RepaintThrottle.h"

class JournalGrid;
class JournalTotals;

// lblTotals: the totals of the whole journal, or of the selected rows when
// more than one is selected. Rewritten at most five times a second while
// rows stream in, as the journal shows them. Its text can be selected with
// the mouse. Too long for the status bar, it is cut short (the whole text in
// its tool tip).
class TotalsLabel : public ElidingLabel
{
    Q_OBJECT

public:
    TotalsLabel(const JournalGrid &grid, const JournalTotals &totals, QWidget *parent = nullptr);

    static constexpr int MinRefreshMs = 200;

    // Writes the text now.
    void refresh() { m_throttle.showNow(); }

    QSize sizeHint() const override { return m_hint; }

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void writeText();
    void keepSize();

    const JournalGrid &m_grid;
    const JournalTotals &m_totals;
    QSize m_hint;
    RepaintThrottle m_throttle{*this, MinRefreshMs, [this] { writeText(); }, RepaintThrottle::Held::Nothing};
};

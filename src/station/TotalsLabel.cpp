#include "station/TotalsLabel.h"

#include "journal/JournalGrid.h"
#include "report/JournalTotals.h"
#include "report/TotalsText.h"
#include "station/StationTexts.h"

#include <algorithm>

TotalsLabel::TotalsLabel(const JournalGrid &grid, const JournalTotals &totals, QWidget *parent)
    : ElidingLabel(parent)
    , m_grid(grid)
    , m_totals(totals)
{
    setObjectName(QStringLiteral("lblTotals"));
    setAccessibleName(StationTexts::totals());
    connect(&totals, &JournalTotals::changed, &m_throttle, &RepaintThrottle::changed);
    connect(&grid, &JournalGrid::selectionMoved, &m_throttle, &RepaintThrottle::changed);
    refresh();
}

void TotalsLabel::writeText()
{
    const int first = std::max(1, std::min(m_grid.Row(), m_grid.RowSel()));
    const int last = std::max(m_grid.Row(), m_grid.RowSel());
    const bool selected = last > first && last >= 1;
    const JournalTotals::Summary s = selected
        ? m_totals.range(JournalGrid::modelRow(first), JournalGrid::modelRow(last))
        : m_totals.whole();
    const QString text = TotalsText::line(s, selected);
    // A new text drops any selection.
    if (text != this->text() && !underMouse())
        setTextInteractionFlags(Qt::NoTextInteraction);
    setText(text);
    setToolTip(text);
    keepSize();
}

// A label whose size may change lays the whole status bar out again for
// each new text (the label measured, the label beside it moved and
// repainted), five times a second while rows stream in. The label keeps the
// width it asks for instead, two digits wider than its text, and asks for a
// new one only when a text does not fit, or fits with twice that to spare.
void TotalsLabel::keepSize()
{
    // Measured as the label measures itself: its own size hint is never
    // below the size it is given.
    const QMargins margins = contentsMargins();
    const QSize text = fontMetrics().boundingRect(QRect(0, 0, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX), int(alignment()),
                                                  this->text()).size();
    const QSize needed = text + QSize(margins.left() + margins.right() + 2 * margin(),
                                      margins.top() + margins.bottom() + 2 * margin());
    const int spare = 2 * fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const bool fits = needed.width() <= m_hint.width() && needed.width() >= m_hint.width() - 2 * spare;
    if (fits && needed.height() == m_hint.height())
        return;
    m_hint = QSize(needed.width() + spare, needed.height());
    setFixedHeight(needed.height());
    updateGeometry();
}

// A selectable label lays its text out as a rich-text document several times
// for each new text (setting it, its size hints, its paint): most of the
// status bar's work while rows stream in. So the text is selectable only
// while the pointer is over it, or while some of it is selected.
void TotalsLabel::enterEvent(QEnterEvent *event)
{
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    QLabel::enterEvent(event);
}

void TotalsLabel::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    if (!hasSelectedText())
        setTextInteractionFlags(Qt::NoTextInteraction);
}

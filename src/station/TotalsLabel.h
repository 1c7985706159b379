#pragma once

#include <QLabel>
#include <QTimer>

class JournalGrid;
class JournalTotals;

// lblTotals: the totals of the whole journal, or of the selected rows when
// more than one is selected. Rewritten at most five times a second while
// rows stream in. Its text can be selected with the mouse.
class TotalsLabel : public QLabel
{
    Q_OBJECT

public:
    TotalsLabel(const JournalGrid &grid, const JournalTotals &totals, QWidget *parent = nullptr);

    // Writes the text now.
    void refresh();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    const JournalGrid &m_grid;
    const JournalTotals &m_totals;
    QTimer m_later;
};

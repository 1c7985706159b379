#pragma once

#include "report/LiveReading.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class BigText;
class JournalGrid;
class JournalTotals;
class QLabel;
class QPushButton;
class ScaleLink;
struct ScaleReading;

// "Табло": the latest decoded reading in digits that fill the window, its
// unit and whether it is stable, the last recorded row and the totals, for
// reading from across the room. It takes each reading for a few copies and
// paints at most ten times a second, whatever the line rate.
class BoardWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int RepaintMs = 100;

    BoardWindow(const JournalGrid &journal, const JournalTotals &totals, const ScaleLink &link,
                QWidget *parent = nullptr);

    // Every decoded frame, recorded or not.
    void decoded(const ScaleReading &reading);

    // F11 and the button.
    void toggleFullScreen();

    // Brings the texts up to date (the timer calls it).
    void refresh();

protected:
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void fitTexts();

    const JournalGrid &m_journal;
    const JournalTotals &m_totals;
    const ScaleLink &m_link;
    LiveReading m_live;
    QElapsedTimer m_clock;
    QTimer m_tick;
    bool m_dirty = true;
    bool m_wasOn = false;

    BigText *m_weight = nullptr;
    QLabel *m_unit = nullptr;
    QLabel *m_stable = nullptr;
    QLabel *m_lastRow = nullptr;
    QLabel *m_totalsText = nullptr;
    QPushButton *m_fullScreen = nullptr;
};

#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

// Keeps a widget whose content changes many times a second from repainting
// for every change: a change that comes less than the interval after the
// widget last showed one waits, with the widget's updates held, until the
// interval is over, and all that came meanwhile is painted once. A change
// after a quiet spell shows at once.
class RepaintThrottle : public QObject
{
    Q_OBJECT

public:
    // show() brings the widget up to date (may be empty).
    RepaintThrottle(QWidget &widget, int intervalMs, std::function<void()> show);

    // Something changed that the widget must show.
    void changed();
    // Something changed that the widget shows by itself: held only when
    // the widget showed a change a moment ago. True when held.
    bool hold();
    // True while changes wait for the interval to end.
    bool holding() const { return m_later.isActive(); }
    // Shows now, ending a hold.
    void showNow();

private:
    QWidget &m_widget;
    int m_intervalMs;
    std::function<void()> m_show;
    QTimer m_later;
    QElapsedTimer m_shown; // since the widget last showed a change
};

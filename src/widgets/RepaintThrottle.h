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
//
// Widgets that wait at the same time show together, so that their window
// repaints once for all of them instead of once for each: a widget that
// begins to wait waits up to half an interval longer for those that wait
// already, or they for it; and when one shows, every other whose wait ends
// within a twentieth of its interval (as close as Qt keeps a coarse timer)
// shows with it.
class RepaintThrottle : public QObject
{
    Q_OBJECT

public:
    enum class Held { Updates, Nothing };

    // show() brings the widget up to date (may be empty). A widget that
    // changes only in show() needs no updates held.
    RepaintThrottle(QWidget &widget, int intervalMs, std::function<void()> show, Held held = Held::Updates);
    ~RepaintThrottle() override;

    // Something changed that the widget must show.
    void changed();
    // Something changed that the widget shows by itself: held only when
    // the widget showed a change a moment ago. True when held.
    bool hold();
    // True while changes wait for the interval to end.
    bool holding() const { return m_later.isActive(); }
    // Shows now, ending a hold, with the other widgets about to show.
    void showNow();

private:
    void showOwn();

    QWidget &m_widget;
    int m_intervalMs;
    std::function<void()> m_show;
    Held m_held;
    QTimer m_later;
    QElapsedTimer m_shown; // since the widget last showed a change
};

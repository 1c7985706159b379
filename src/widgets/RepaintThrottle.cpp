#include "widgets/RepaintThrottle.h"

#include <QWidget>

#include <algorithm>
#include <vector>

namespace {

// The throttles of this thread whose widgets wait to show.
std::vector<RepaintThrottle *> &waiting()
{
    static thread_local std::vector<RepaintThrottle *> throttles;
    return throttles;
}

void stopWaiting(RepaintThrottle *throttle)
{
    auto &all = waiting();
    all.erase(std::remove(all.begin(), all.end(), throttle), all.end());
}

} // namespace

RepaintThrottle::RepaintThrottle(QWidget &widget, int intervalMs, std::function<void()> show, Held held)
    : m_widget(widget)
    , m_intervalMs(intervalMs)
    , m_show(std::move(show))
    , m_held(held)
{
    m_later.setSingleShot(true);
    connect(&m_later, &QTimer::timeout, this, &RepaintThrottle::showNow);
}

RepaintThrottle::~RepaintThrottle()
{
    stopWaiting(this);
}

void RepaintThrottle::changed()
{
    if (!hold())
        showNow();
}

bool RepaintThrottle::hold()
{
    if (m_later.isActive())
        return true;
    const qint64 since = m_shown.isValid() ? m_shown.elapsed() : m_intervalMs;
    if (since >= m_intervalMs)
        return false;
    // Updates held are painted in one go when they are enabled again.
    if (m_held == Held::Updates)
        m_widget.setUpdatesEnabled(false);
    // Waits with the widgets that wait already, a little longer for them or
    // they for it, so that their window repaints once for all of them.
    int wait = int(m_intervalMs - since);
    const int slack = m_intervalMs / 2;
    for (const RepaintThrottle *other : waiting()) {
        const int remaining = other->m_later.remainingTime();
        if (remaining > wait && remaining - wait <= slack)
            wait = remaining;
    }
    for (RepaintThrottle *other : waiting()) {
        const int remaining = other->m_later.remainingTime();
        if (remaining < wait && wait - remaining <= slack)
            other->m_later.start(wait);
    }
    m_later.start(wait);
    waiting().push_back(this);
    return true;
}

void RepaintThrottle::showNow()
{
    showOwn();
    const std::vector<RepaintThrottle *> others = waiting();
    for (RepaintThrottle *other : others) {
        const bool stillWaits = std::find(waiting().begin(), waiting().end(), other) != waiting().end();
        if (stillWaits && other->m_later.remainingTime() <= other->m_intervalMs / 20)
            other->showOwn();
    }
}

void RepaintThrottle::showOwn()
{
    stopWaiting(this);
    m_later.stop();
    m_shown.start();
    if (m_show)
        m_show();
    if (!m_widget.updatesEnabled() && m_held == Held::Updates)
        m_widget.setUpdatesEnabled(true);
}

#include "widgets/RepaintThrottle.h"

#include <QWidget>

RepaintThrottle::RepaintThrottle(QWidget &widget, int intervalMs, std::function<void()> show)
    : m_widget(widget)
    , m_intervalMs(intervalMs)
    , m_show(std::move(show))
{
    m_later.setSingleShot(true);
    connect(&m_later, &QTimer::timeout, this, &RepaintThrottle::showNow);
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
    m_widget.setUpdatesEnabled(false);
    m_later.start(int(m_intervalMs - since));
    return true;
}

void RepaintThrottle::showNow()
{
    m_later.stop();
    m_shown.start();
    if (m_show)
        m_show();
    if (!m_widget.updatesEnabled())
        m_widget.setUpdatesEnabled(true);
}

#include "link/ReceiveThreshold.h"

ReceiveThreshold::ReceiveThreshold(Count waiting, QObject *parent)
    : QObject(parent)
    , m_waiting(std::move(waiting))
{
}

void ReceiveThreshold::setThreshold(int threshold)
{
    m_threshold = threshold;
}

void ReceiveThreshold::poke()
{
    if (m_threshold <= 0 || m_pending)
        return;
    m_pending = true;
    QMetaObject::invokeMethod(this, &ReceiveThreshold::check, Qt::QueuedConnection);
}

void ReceiveThreshold::arrived()
{
    if (m_threshold > 0 && m_waiting() >= m_threshold)
        emit reached();
}

void ReceiveThreshold::check()
{
    m_pending = false;
    arrived();
}

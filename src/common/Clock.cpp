#include "common/Clock.h"

QDateTime Clock::nowToTheSecond() const
{
    const QDateTime when = now();
    return when.addMSecs(-when.time().msec());
}

QDateTime Clock::nowWithOffset() const
{
    const QDateTime when = now();
    return when.toOffsetFromUtc(when.offsetFromUtc());
}

void SystemClock::lookUp(qint64 second) const
{
    if (second != m_second) {
        m_second = second;
        m_local = QDateTime::fromSecsSinceEpoch(second);
        m_offset = m_local.offsetFromUtc();
    }
}

QDateTime SystemClock::nowToTheSecond() const
{
    lookUp(QDateTime::currentSecsSinceEpoch());
    return m_local;
}

QDateTime SystemClock::nowWithOffset() const
{
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    lookUp(ms / 1000);
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, m_offset);
}

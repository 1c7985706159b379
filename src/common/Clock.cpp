#include "common/Clock.h"

QDateTime Clock::nowToTheSecond() const
{
    const QDateTime when = now();
    return when.addMSecs(-when.time().msec());
}

QDateTime SystemClock::nowToTheSecond() const
{
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != m_second) {
        m_second = second;
        m_local = QDateTime::fromSecsSinceEpoch(second);
    }
    return m_local;
}

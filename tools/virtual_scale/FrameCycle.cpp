#include "FrameCycle.h"

qint64 FrameCycle::passLength() const
{
    qint64 total = 0;
    for (const Entry &e : m_entries)
        total += e.repeat;
    return total;
}

QByteArray FrameCycle::next()
{
    const Entry &entry = m_entries.at(m_step);
    if (++m_repeat >= entry.repeat) {
        m_repeat = 0;
        m_step = (m_step + 1) % m_entries.size();
    }
    return entry.frame;
}

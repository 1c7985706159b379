#include "central/OutboxTail.h"

#include <sys/stat.h>

namespace {

bool sameFile(int handle, const QString &path)
{
    struct stat open {};
    struct stat named {};
    return ::fstat(handle, &open) == 0 && ::stat(QFile::encodeName(path).constData(), &named) == 0
        && open.st_ino == named.st_ino && open.st_dev == named.st_dev;
}

} // namespace

OutboxTail::OutboxTail(const QString &path, qint64 committed, qint64 from)
    : m_path(path)
    , m_file(path)
    , m_after(committed)
    , m_from(from)
{
}

bool OutboxTail::open()
{
    return m_file.isOpen() || m_file.open(QIODevice::ReadOnly);
}

QList<OutboxFormat::Entry> OutboxTail::batch(int max)
{
    QList<OutboxFormat::Entry> events;
    for (int attempt = 0; attempt < 2 && events.isEmpty(); ++attempt) {
        if (attempt == 1) {
            // Nothing more in this file: read on in a new one if the name
            // now has one, from its start.
            if (!m_file.isOpen() || sameFile(m_file.handle(), m_path))
                break;
            m_file.close();
            m_from = OutboxFormat::header().size();
        }
        if (!open() || !m_file.seek(m_from))
            return {};
        events = OutboxFormat::eventsAfter(m_file, m_after, max, &m_batchEnd);
    }
    if (!events.isEmpty())
        m_batchLast = events.constLast().seq;
    return events;
}

void OutboxTail::committed()
{
    if (m_batchLast <= m_after)
        return;
    m_after = m_batchLast;
    m_from = m_batchEnd;
}

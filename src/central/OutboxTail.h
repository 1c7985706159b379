#pragma once

#include "central/OutboxFormat.h"

#include <QFile>
#include <QString>

// The outbox file as the sender reads it, on the sender's thread: its
// events in order, a batch at a time, from the first one not committed. The
// outbox writes itself anew now and then (a new file under the same name):
// the tail then reads on in the new one.
class OutboxTail
{
public:
    // committed: the events up to it are committed; from: where a record at
    // or before the first one after it starts.
    OutboxTail(const QString &path, qint64 committed, qint64 from);

    // At most max events after the committed ones, read where the last
    // batch ended; empty when the file holds no more yet.
    QList<OutboxFormat::Entry> batch(int max);
    // The last batch is committed: the next one starts after it.
    void committed();
    qint64 after() const { return m_after; }

private:
    bool open();

    QString m_path;
    QFile m_file;
    qint64 m_after;        // the last committed number
    qint64 m_from;         // where the next batch is read from
    qint64 m_batchLast = 0; // the last batch's, not yet committed
    qint64 m_batchEnd = 0;
};

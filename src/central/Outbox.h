#pragma once

#include "central/OutboxFormat.h"

#include <QFile>
#include <QLockFile>
#include <QObject>
#include <QTimer>

struct CentralEvent;

// The events on their way to the central journal, kept in a file beside
// Init.ini until the server has committed them. An event is numbered and
// handed to the operating system at once (an unbuffered write), so a killed
// process loses none; the file is synced at most once a second from a
// timer, so a power cut loses at most the last second. Memory holds the
// numbers and where the events start, not the events: a week without the
// server grows the file, not the process. Committed events leave the file
// when writing it anew makes it clearly smaller. Numbers rise by one and never fall to or below one the
// server reported holding. Only one copy of the program keeps a folder's
// outbox (QLockFile); another keeps none and numbers nothing.
class Outbox : public QObject
{
    Q_OBJECT

public:
    static constexpr int SyncMs = 1000;
    // Written anew when the committed records are more than half the file
    // and the file is past this size ...
    static constexpr qint64 CompactFrom = 64 * 1024;
    // ... and what it keeps is at most this much: the window's thread never
    // writes a large file; after a long outage that happens once the
    // catch-up has sent nearly all.
    static constexpr qint64 CompactUpTo = 1024 * 1024;

    explicit Outbox(const QString &folder, QObject *parent = nullptr);
    ~Outbox() override;

    static QString fileName() { return QStringLiteral("Central.outbox"); }
    QString path() const { return m_file.fileName(); }
    bool heldByAnotherCopy() const { return m_heldElsewhere; }
    // The file is open for writing: events are kept.
    bool keeping() const { return m_file.isOpen(); }
    QString errorString() const { return m_error; }

    // Numbers the event and writes it; its number, or 0 when it could not
    // be kept (errorString says why).
    qint64 append(const CentralEvent &event);
    // The server committed every event up to seq.
    void acknowledge(qint64 seq);
    // The server holds numbers up to seq: new events are numbered above it.
    void raiseFloor(qint64 seq);

    // The events not yet acknowledged, read from the file: at most max.
    QList<OutboxFormat::Entry> pending(qsizetype max = -1) const;
    qint64 pendingCount() const { return m_contents.pending(); }
    qint64 nextSeq() const { return m_contents.nextSeq(); }
    qint64 lastSeq() const { return m_contents.lastSeq; }
    qint64 acknowledged() const { return m_contents.acknowledged; }
    // Where a record at or before the first event not acknowledged starts.
    qint64 unsentFrom() const { return m_contents.marks.from(m_end); }
    qint64 fileSize() const { return m_file.isOpen() ? m_file.size() : 0; }
    void sync();

signals:
    // An event was kept: the sender takes it from here.
    void appended(const OutboxFormat::Entry &entry);

private:
    bool write(QByteArrayView payload);
    void compactIfLarge();
    void fail(const QString &reason);

    QLockFile m_lock;
    QFile m_file;
    QTimer m_sync;
    OutboxFormat::Contents m_contents; // its numbers and marks
    qint64 m_end = 0; // the file's length
    bool m_heldElsewhere = false;
    QString m_error;
};

#include "central/Outbox.h"

#include "central/CentralEvent.h"
#include "central/CentralTexts.h"
#include "recovery/RecoveryBase.h"
#include "recovery/RecoveryFormat.h"

#include <QDir>
#include <QSaveFile>

#include <system_error>
#include <thread>

#include <unistd.h>

Outbox::Outbox(const QString &folder, QObject *parent)
    : QObject(parent)
    , m_lock(QDir(folder).filePath(fileName()) + QStringLiteral(".lock"))
    , m_file(QDir(folder).filePath(fileName()))
{
    m_sync.setSingleShot(true);
    m_sync.setInterval(SyncMs);
    connect(&m_sync, &QTimer::timeout, this, &Outbox::sync);
    // A lock is stale only when the copy that took it is gone, however old.
    m_lock.setStaleLockTime(0);
    if (!m_lock.tryLock(0)) {
        m_heldElsewhere = m_lock.error() == QLockFile::LockFailedError;
        m_error = m_heldElsewhere ? CentralTexts::outboxHeldElsewhere(path()) : CentralTexts::outboxNotLocked(path());
        return;
    }
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        fail(m_file.errorString());
        return;
    }
    QFile reading(path());
    if (!reading.open(QIODevice::ReadOnly)) {
        fail(reading.errorString());
        return;
    }
    const OutboxFormat::Contents contents = OutboxFormat::read(reading);
    if (!contents.valid) {
        // Not an outbox: kept for a person to look at, not written over.
        m_file.close();
        fail(CentralTexts::outboxForeign());
        return;
    }
    m_contents = contents;
    // Damage at the end (a record cut short by a crash) is cut off.
    const bool fresh = contents.validLength == 0;
    if (!m_file.resize(contents.validLength) || !m_file.seek(contents.validLength)
        || (fresh && m_file.write(OutboxFormat::header()) != OutboxFormat::header().size()))
        fail(m_file.errorString());
    m_end = fresh ? OutboxFormat::header().size() : contents.validLength;
}

Outbox::~Outbox()
{
    if (m_sync.isActive())
        sync();
}

void Outbox::fail(const QString &reason)
{
    m_error = CentralTexts::outboxNotWritten(path(), reason);
    m_sync.stop();
    if (m_file.isOpen())
        m_file.close();
}

bool Outbox::write(QByteArrayView payload)
{
    QByteArray record;
    RecoveryFormat::appendRecord(record, payload);
    if (m_file.write(record) != record.size()) {
        fail(m_file.errorString());
        return false;
    }
    m_end += record.size();
    if (!m_sync.isActive())
        m_sync.start();
    return true;
}

qint64 Outbox::append(const CentralEvent &event)
{
    if (!keeping())
        return 0;
    const qint64 seq = m_contents.nextSeq();
    OutboxFormat::Entry entry{seq, event.toJson(seq)};
    const qint64 at = m_end;
    if (!write(OutboxFormat::event(seq, entry.json)))
        return 0;
    m_contents.takeEventAt(seq, at);
    emit appended(entry);
    return seq;
}

void Outbox::acknowledge(qint64 seq)
{
    if (!keeping() || seq <= m_contents.acknowledged)
        return;
    if (!write(OutboxFormat::acknowledged(seq)))
        return;
    m_contents.acknowledge(seq);
    compactIfLarge();
}

void Outbox::raiseFloor(qint64 seq)
{
    if (!keeping() || seq <= qMax(m_contents.floor, m_contents.lastSeq))
        return;
    if (write(OutboxFormat::floor(seq)))
        m_contents.takeFloor(seq);
}

QList<OutboxFormat::Entry> Outbox::pending(qsizetype max) const
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly) || !file.seek(unsentFrom()))
        return {};
    return OutboxFormat::eventsAfter(file, m_contents.acknowledged, max);
}

void Outbox::compactIfLarge()
{
    // What a file written anew would hold, near enough.
    const qint64 freshSize = OutboxFormat::header().size() + 3 * (8 + 9) + m_end - unsentFrom();
    if (m_end < CompactFrom || m_end < 2 * freshSize || freshSize > CompactUpTo)
        return;
    const QList<OutboxFormat::Entry> kept = pending();
    if (kept.size() != m_contents.pending())
        return; // not read whole: the file as it is stays right, only larger
    QSaveFile fresh(path());
    if (!fresh.open(QIODevice::WriteOnly))
        return; // the file as it is stays right, only larger
    QByteArray bytes = OutboxFormat::header();
    RecoveryFormat::appendRecord(bytes, OutboxFormat::acknowledged(m_contents.acknowledged));
    // The floor goes where the numbers jump to it, so that they read on.
    OutboxFormat::Contents written;
    written.acknowledge(m_contents.acknowledged);
    for (const OutboxFormat::Entry &e : kept) {
        if (e.seq != written.nextSeq()) {
            RecoveryFormat::appendRecord(bytes, OutboxFormat::floor(e.seq - 1));
            written.takeFloor(e.seq - 1);
        }
        written.takeEventAt(e.seq, bytes.size());
        RecoveryFormat::appendRecord(bytes, OutboxFormat::event(e.seq, e.json));
    }
    if (m_contents.floor > written.nextSeq() - 1)
        RecoveryFormat::appendRecord(bytes, OutboxFormat::floor(m_contents.floor));
    m_sync.stop();
    m_file.close();
    // The old file's blocks are freed when its last name goes, which takes
    // a while for a file a long outage made large: it gets a second name
    // first, removed on a thread of its own.
    const QByteArray spare = QFile::encodeName(path() + QStringLiteral(".old"));
    ::unlink(spare.constData());
    const bool linked = ::link(QFile::encodeName(path()).constData(), spare.constData()) == 0;
    // QSaveFile syncs the new file before it takes the old one's place.
    const bool replaced = fresh.write(bytes) == bytes.size() && fresh.commit();
    if (linked) {
        try {
            std::thread([spare] { ::unlink(spare.constData()); }).detach();
        } catch (const std::system_error &) {
            ::unlink(spare.constData());
        }
    }
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        return fail(m_file.errorString());
    if (!replaced) {
        m_sync.start();
        return;
    }
    m_end = bytes.size();
    m_contents.marks = written.marks;
}

void Outbox::sync()
{
    m_sync.stop();
    if (m_file.isOpen() && !RecoveryBase::syncToDisk(m_file.handle()))
        fail(qt_error_string());
}

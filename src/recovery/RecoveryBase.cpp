#include "recovery/RecoveryBase.h"

#include "journal/JournalGrid.h"
#include "recovery/RecoveryFormat.h"

#include <limits>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// About a millisecond of work a slice, so the window stays responsive.
constexpr qsizetype SliceBytes = 1 << 20;

} // namespace

RecoveryBase::RecoveryBase(const JournalGrid &journal, const QString &path, QObject *parent)
    : QObject(parent)
    , m_journal(journal)
    , m_file(path)
{
    m_slices.setSingleShot(true);
    m_slices.setInterval(0);
    connect(&m_slices, &QTimer::timeout, this, &RecoveryBase::slice);
}

RecoveryBase::~RecoveryBase()
{
    discard();
    joinSync();
}

void RecoveryBase::begin(QByteArrayView sessionPayload)
{
    discard();
    m_rows = 0;
    m_whole = false;
    m_journalBytes = 0;
    m_syncError.clear();
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return;
    m_buffer = RecoveryFormat::header();
    RecoveryFormat::appendRecord(m_buffer, sessionPayload);
    m_slices.start();
}

void RecoveryBase::discard()
{
    m_slices.stop();
    joinSync();
    if (m_file.isOpen()) {
        m_file.close();
        m_file.remove();
    }
}

void RecoveryBase::slice()
{
    if (!writeRows(SliceBytes)) {
        discard();
        return;
    }
    if (m_rows < m_journal.Rows() - 1) {
        m_slices.start();
        return;
    }
    if (m_whole)
        return;
    RecoveryFormat::appendRecord(m_buffer, RecoveryFormat::whole(m_rows));
    m_whole = true;
    if (!writeRows(0))
        discard();
    else
        syncInBackground();
}

bool RecoveryBase::syncToDisk(int handle)
{
#ifdef Q_OS_WIN
    return _commit(handle) == 0;
#else
    return ::fsync(handle) == 0;
#endif
}

namespace {

void closeHandle(int handle)
{
#ifdef Q_OS_WIN
    _close(handle);
#else
    ::close(handle);
#endif
}

} // namespace

void RecoveryBase::syncInBackground()
{
    joinSync();
#ifdef Q_OS_WIN
    const int copy = _dup(m_file.handle());
#else
    const int copy = ::dup(m_file.handle());
#endif
    if (copy < 0)
        return;
    try {
        m_syncer = std::thread([copy] {
            syncToDisk(copy);
            closeHandle(copy);
        });
    } catch (const std::system_error &) {
        closeHandle(copy); // no thread: the sync at completion does it all
    }
}

void RecoveryBase::joinSync()
{
    if (m_syncer.joinable())
        m_syncer.join();
}

void RecoveryBase::follow()
{
    if (active() && !m_slices.isActive())
        m_slices.start();
}

bool RecoveryBase::writeRows(qsizetype budget)
{
    const int last = m_journal.Rows() - 1;
    while (m_rows < last && m_buffer.size() < budget) {
        const QString cells = m_journal.dataText(++m_rows);
        m_journalBytes += cells.size() + 2;
        RecoveryFormat::appendRecord(m_buffer, RecoveryFormat::row(cells));
        if (const qint64 id = m_journal.readingId(m_rows))
            RecoveryFormat::appendRecord(m_buffer, RecoveryFormat::readingId(m_rows - 1, id));
    }
    const bool written = m_file.write(m_buffer) == m_buffer.size();
    m_buffer.clear();
    return written;
}

bool RecoveryBase::complete()
{
    m_slices.stop();
    if (!m_file.isOpen())
        return false; // the error is the opening's
    constexpr qsizetype All = std::numeric_limits<qsizetype>::max();
    if (!m_whole) {
        if (!writeRows(All))
            return false;
        RecoveryFormat::appendRecord(m_buffer, RecoveryFormat::whole(m_rows));
        m_whole = true;
    }
    // Rows that came after the row count are changes to it.
    if (!writeRows(All))
        return false;
    // On the disk before it replaces the old file, so that a power cut
    // leaves one or the other whole.
    joinSync();
    if (!syncToDisk(m_file.handle())) {
        m_syncError = qt_error_string();
        return false; // left to discard()
    }
    m_file.close();
    return true;
}

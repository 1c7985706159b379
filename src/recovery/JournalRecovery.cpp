#include "recovery/JournalRecovery.h"

#include "journal/JournalGrid.h"
#include "recovery/RecoveryTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Bytes a row takes in the journal's own file: its cells, one byte a
// character, and CR LF.
qint64 fileBytes(QStringView cells)
{
    return cells.size() + 2;
}

} // namespace

JournalRecovery::JournalRecovery(const QString &folder, Surroundings s, QObject *parent)
    : QObject(parent)
    , m_path(QDir(folder).filePath(fileName()))
    , m_journal(s.journal)
    , m_session(std::move(s.session))
    , m_reportFailure(std::move(s.reportFailure))
    , m_lock(m_path + QStringLiteral(".lock"))
{
    // A lock is stale only when the copy that took it is gone, however old.
    m_lock.setStaleLockTime(0);
    if (!m_lock.tryLock(0)) {
        m_heldElsewhere = m_lock.error() == QLockFile::LockFailedError;
        if (!m_heldElsewhere)
            m_lockProblem = RecoveryTexts::cannotLock();
    }
    m_sync.setSingleShot(true);
    m_sync.setInterval(SyncMs);
    connect(&m_sync, &QTimer::timeout, this, &JournalRecovery::sync);
    m_rewrite.setSingleShot(true);
    m_rewrite.setInterval(0);
    connect(&m_rewrite, &QTimer::timeout, this, &JournalRecovery::writeWhole);

    connect(&m_journal, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { onRowsInserted(first, last); });
    connect(&m_journal, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { onRowsAboutToBeRemoved(first, last); });
    connect(&m_journal, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) { onRowsRemoved(first, last); });
    connect(&m_journal, &QAbstractItemModel::dataChanged, this, &JournalRecovery::onDataChanged);
    // Anything that reshapes the journal is written whole once it is done.
    connect(&m_journal, &QAbstractItemModel::modelReset, this, &JournalRecovery::rewriteLater);
    connect(&m_journal, &QAbstractItemModel::layoutChanged, this, &JournalRecovery::rewriteLater);
    connect(&m_journal, &QAbstractItemModel::columnsInserted, this, &JournalRecovery::rewriteLater);
    connect(&m_journal, &QAbstractItemModel::columnsRemoved, this, &JournalRecovery::rewriteLater);
    connect(&m_journal, &QAbstractItemModel::rowsMoved, this, &JournalRecovery::rewriteLater);
}

JournalRecovery::~JournalRecovery()
{
    if (m_sync.isActive())
        sync();
}

std::optional<RecoveredJournal> JournalRecovery::pending() const
{
    if (m_heldElsewhere)
        return std::nullopt;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return std::nullopt;
    if (const uchar *mapped = file.map(0, file.size()))
        return readRecovery(QByteArrayView(mapped, file.size()));
    return readRecovery(file.readAll());
}

QDateTime JournalRecovery::lastChange() const
{
    return QFileInfo(m_path).lastModified();
}

void JournalRecovery::adopt(const RecoveredJournal &journal)
{
    if (m_heldElsewhere || m_failed || !m_lockProblem.isEmpty())
        return;
    m_dirty = true;
    m_journalBytes = 0;
    for (const QByteArray &cells : journal.rowBytes)
        m_journalBytes += utf16Length(cells) + 2;
    m_journalBytesExact = true;
    // What follows the last complete change is damage: the next change goes
    // in its place.
    if (!QFile::resize(m_path, journal.validLength) || !openForAppend())
        return fail(m_file.errorString());
    m_sizeWhenExact = journal.validLength;
    m_wholeRatio = double(journal.validLength) / double(std::max<qint64>(1, m_journalBytes));
}

void JournalRecovery::changed()
{
    if (m_heldElsewhere || m_dirty || m_failed)
        return;
    if (!m_lockProblem.isEmpty())
        return fail(m_lockProblem);
    m_dirty = true;
    writeWhole();
}

void JournalRecovery::sessionChanged()
{
    if (!recording())
        return;
    const Session s = m_session();
    append(RecoveryFormat::file(s.fileName, s.label));
}

void JournalRecovery::reset()
{
    m_dirty = false;
    m_rewritePending = false;
    m_rewrite.stop();
    m_sync.stop();
    m_file.close();
    if (!m_heldElsewhere)
        QFile::remove(m_path);
}

void JournalRecovery::onRowsInserted(int first, int last)
{
    for (int r = first; recording() && r <= last; ++r) {
        const QStringView cells = m_journal.dataCells(r + 1);
        m_journalBytes += fileBytes(cells);
        append(RecoveryFormat::row(cells));
    }
}

void JournalRecovery::onRowsAboutToBeRemoved(int first, int last)
{
    m_removedBytes = 0;
    for (int r = first; recording() && r <= last; ++r)
        m_removedBytes += fileBytes(m_journal.dataCells(r + 1));
}

void JournalRecovery::onRowsRemoved(int first, int last)
{
    if (!recording())
        return;
    m_journalBytes -= m_removedBytes;
    append(RecoveryFormat::removed(first, last - first + 1));
}

void JournalRecovery::onDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole))
        return;
    for (int r = topLeft.row(); r <= bottomRight.row(); ++r) {
        for (int c = topLeft.column(); recording() && c <= bottomRight.column(); ++c) {
            const QString text = m_journal.TextMatrix(r + 1, c + 1);
            // The old text is gone: the journal's size is only known to be no larger.
            m_journalBytes += text.size();
            m_journalBytesExact = false;
            append(RecoveryFormat::cell(r, c, text));
        }
    }
}

void JournalRecovery::rewriteLater()
{
    if (!m_dirty || m_failed)
        return;
    m_rewritePending = true;
    m_rewrite.start();
}

void JournalRecovery::append(QByteArrayView payload)
{
    m_record.clear();
    RecoveryFormat::appendRecord(m_record, payload);
    // Unbuffered: the record is with the operating system when this returns.
    if (m_file.write(m_record) != m_record.size())
        return fail(m_file.errorString());
    if (!m_sync.isActive())
        m_sync.start();
    compactIfLarge();
}

// The whole journal into a new file that replaces the old one only once it is
// complete and on the disk.
void JournalRecovery::writeWhole()
{
    m_rewritePending = false;
    m_rewrite.stop();
    if (!m_dirty || m_failed)
        return;
    m_file.close();
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly))
        return fail(out.errorString());
    const Session s = m_session();
    QByteArray buffer = RecoveryFormat::header();
    RecoveryFormat::appendRecord(buffer, RecoveryFormat::session(s.scaleType, m_journal.Cols() - 1, s.fileName, s.label));
    qint64 journalBytes = 0;
    for (int r = 1; r < m_journal.Rows(); ++r) {
        const QStringView cells = m_journal.dataCells(r);
        journalBytes += fileBytes(cells);
        RecoveryFormat::appendRecord(buffer, RecoveryFormat::row(cells));
        if (buffer.size() >= (1 << 20)) {
            if (out.write(buffer) != buffer.size())
                return fail(out.errorString());
            buffer.clear();
        }
    }
    RecoveryFormat::appendRecord(buffer, RecoveryFormat::whole(m_journal.Rows() - 1));
    if (out.write(buffer) != buffer.size() || !out.commit())
        return fail(out.errorString());
    m_journalBytes = journalBytes;
    m_journalBytesExact = true;
    if (!openForAppend())
        return fail(m_file.errorString());
    m_sizeWhenExact = m_file.size();
    m_wholeRatio = double(m_sizeWhenExact) / double(std::max<qint64>(1, journalBytes));
}

bool JournalRecovery::openForAppend()
{
    m_file.close();
    m_file.setFileName(m_path);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
}

void JournalRecovery::compactIfLarge()
{
    const qint64 size = m_file.pos();
    if (!m_journalBytesExact && size - m_sizeWhenExact > m_journalBytes / 16) {
        m_journalBytes = journalFileBytes();
        m_journalBytesExact = true;
        m_sizeWhenExact = size;
    }
    // Written whole only when that makes it clearly smaller: text that takes
    // two bytes in UTF-8 may keep even a fresh file above twice the journal's.
    const double fresh = m_journalBytes * m_wholeRatio;
    if (size > 2 * m_journalBytes && size > fresh * 1.25)
        writeWhole();
}

qint64 JournalRecovery::journalFileBytes() const
{
    qint64 bytes = 0;
    for (int r = 1; r < m_journal.Rows(); ++r)
        bytes += fileBytes(m_journal.dataCells(r));
    return bytes;
}

void JournalRecovery::sync()
{
    if (!m_file.isOpen())
        return;
#ifdef Q_OS_WIN
    _commit(m_file.handle());
#else
    ::fsync(m_file.handle());
#endif
}

void JournalRecovery::fail(const QString &reason)
{
    if (m_failed)
        return;
    m_failed = true;
    m_dirty = false;
    m_rewritePending = false;
    m_rewrite.stop();
    m_sync.stop();
    m_file.close();
    if (m_reportFailure)
        m_reportFailure(RecoveryTexts::cannotWrite(m_path, reason));
}

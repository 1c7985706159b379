#include "recovery/JournalRecovery.h"

#include "journal/JournalGrid.h"
#include "recovery/RecoveryTexts.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// A record's length and CRC.
constexpr qint64 RecordHead = 8;

// Puts the file at from in place of the one at to, at once, as a save does.
bool replaceFile(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    return MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()), reinterpret_cast<const wchar_t *>(to.utf16()),
                       MOVEFILE_REPLACE_EXISTING)
        != 0;
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

} // namespace

JournalRecovery::Sizes JournalRecovery::Sizes::of(QStringView cells)
{
    // In the journal's own file: the cells, one byte a character, and CR LF.
    return {cells.size() + 2, RecordHead + RecoveryFormat::row(cells).size()};
}

JournalRecovery::Sizes &JournalRecovery::Sizes::operator+=(const Sizes &other)
{
    journal += other.journal;
    fresh += other.fresh;
    return *this;
}

JournalRecovery::Sizes &JournalRecovery::Sizes::operator-=(const Sizes &other)
{
    journal -= other.journal;
    fresh -= other.fresh;
    return *this;
}

JournalRecovery::JournalRecovery(const QString &folder, Surroundings s, QObject *parent)
    : QObject(parent)
    , m_path(QDir(folder).filePath(fileName()))
    , m_journal(s.journal)
    , m_session(std::move(s.session))
    , m_reportFailure(std::move(s.reportFailure))
    , m_lock(m_path + QStringLiteral(".lock"))
    , m_base(s.journal, QDir(folder).filePath(baseFileName()))
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
    m_prepare.setSingleShot(true);
    m_prepare.setInterval(0);
    connect(&m_prepare, &QTimer::timeout, this, &JournalRecovery::beginBase);

    connect(&m_journal, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { onRowsInserted(first, last); });
    connect(&m_journal, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { onRowsAboutToBeRemoved(first, last); });
    connect(&m_journal, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) { onRowsRemoved(first, last); });
    connect(&m_journal, &JournalGrid::cellAboutToChange, this, &JournalRecovery::onCellAboutToChange);
    connect(&m_journal, &QAbstractItemModel::dataChanged, this, &JournalRecovery::onDataChanged);
    // Anything that reshapes the journal is written whole once it is done.
    connect(&m_journal, &QAbstractItemModel::modelReset, this, &JournalRecovery::rewriteLater);
    connect(&m_journal, &QAbstractItemModel::layoutChanged, this, &JournalRecovery::rewriteLater);
    connect(&m_journal, &QAbstractItemModel::columnsInserted, this, &JournalRecovery::rewriteLater);
    connect(&m_journal, &QAbstractItemModel::columnsRemoved, this, &JournalRecovery::rewriteLater);
    connect(&m_journal, &QAbstractItemModel::rowsMoved, this, &JournalRecovery::rewriteLater);
    prepareLater();
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
    // Read whole: the journal keeps the bytes its rows refer to. A read that
    // stops short is no damage: taken as such, the rest would be cut off.
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        return std::nullopt;
    return readRecovery(bytes);
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
    m_prepare.stop();
    m_base.discard();
    m_sizes = {0, journal.freshFileSize()};
    for (const RecoveredJournal::StoredRow &row : journal.storedRows)
        m_sizes.journal += (row.wide ? utf16Length(row.bytes) : row.bytes.size()) + 2;
    // What follows the last complete change is damage: the next change goes
    // in its place. The file's time stays that of the last change, which the
    // next offer tells, not that of this restore.
    const QDateTime last = lastChange();
    if (!QFile::resize(m_path, journal.validLength) || !openForAppend())
        return fail(m_file.errorString());
    m_file.setFileTime(last, QFileDevice::FileModificationTime);
}

void JournalRecovery::changed()
{
    if (m_heldElsewhere || m_dirty || m_failed)
        return;
    if (!m_lockProblem.isEmpty())
        return fail(m_lockProblem);
    m_dirty = true;
    if (m_base.active() && baseFits())
        takeBase();
    else
        writeWhole();
}

void JournalRecovery::sessionChanged()
{
    if (!recording())
        return;
    const Session s = m_session();
    append(RecoveryFormat::file(s.fileName, s.label));
    compactIfLarge();
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
    prepareLater();
}

void JournalRecovery::onRowsInserted(int first, int last)
{
    // Rows appended after those of the base being written keep it good.
    if (m_base.active() && first >= m_base.rowsWritten() && last == m_journal.rowCount() - 1)
        m_base.follow();
    else
        prepareLater();
    for (int r = first; recording() && r <= last; ++r) {
        const QString cells = m_journal.dataText(r + 1);
        const QByteArray record = RecoveryFormat::row(cells);
        m_sizes += {cells.size() + 2, RecordHead + record.size()};
        append(record);
        appendReadingId(r);
    }
    compactIfLarge(); // after the last row: a file written anew holds them all
}

void JournalRecovery::onRowsAboutToBeRemoved(int first, int last)
{
    prepareLater();
    m_removed = {};
    for (int r = first; recording() && r <= last; ++r)
        m_removed += Sizes::of(m_journal.dataText(r + 1));
}

void JournalRecovery::onRowsRemoved(int first, int last)
{
    if (!recording())
        return;
    m_sizes -= m_removed;
    append(RecoveryFormat::removed(first, last - first + 1));
    compactIfLarge();
}

void JournalRecovery::onCellAboutToChange(int row, int)
{
    prepareLater();
    if (recording())
        m_sizes -= Sizes::of(m_journal.dataText(row));
}

void JournalRecovery::onDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    if (roles.contains(JournalGrid::ReadingIdRole)) {
        for (int r = topLeft.row(); recording() && r <= bottomRight.row(); ++r)
            appendReadingId(r);
        compactIfLarge();
    }
    if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole))
        return;
    prepareLater();
    for (int r = topLeft.row(); r <= bottomRight.row(); ++r) {
        // The row as it was went before the change (cellAboutToChange).
        if (recording())
            m_sizes += Sizes::of(m_journal.dataText(r + 1));
        for (int c = topLeft.column(); recording() && c <= bottomRight.column(); ++c)
            append(RecoveryFormat::cell(r, c, m_journal.TextMatrix(r + 1, c + 1)));
    }
    compactIfLarge();
}

void JournalRecovery::appendReadingId(int row)
{
    if (const qint64 id = m_journal.readingId(row + 1)) {
        const QByteArray record = RecoveryFormat::readingId(row, id);
        m_sizes.fresh += RecordHead + record.size();
        append(record);
    }
}

void JournalRecovery::rewriteLater()
{
    prepareLater();
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
}

void JournalRecovery::prepareLater()
{
    if (m_dirty)
        return; // the base was taken or given up when the journal became unsaved
    m_base.discard();
    if (m_failed || m_heldElsewhere || !m_lockProblem.isEmpty())
        return;
    m_prepare.start();
}

void JournalRecovery::beginBase()
{
    m_prepare.stop();
    m_baseSession = m_session();
    m_baseColumns = m_journal.Cols() - 1;
    m_base.begin(RecoveryFormat::session(m_baseSession.scaleType, m_baseColumns, m_baseSession.fileName,
                                         m_baseSession.label));
}

bool JournalRecovery::baseFits() const
{
    return m_baseSession.scaleType == m_session().scaleType && m_baseColumns == m_journal.Cols() - 1
        && m_base.rowsWritten() <= m_journal.Rows() - 1;
}

void JournalRecovery::takeBase()
{
    m_file.close();
    if (!m_base.complete())
        return fail(m_base.errorString());
    // Complete before it replaces the old file: a crash leaves one or the other.
    if (!replaceFile(m_base.path(), m_path)) {
        const QString reason = qt_error_string();
        QFile::remove(m_base.path());
        return fail(reason);
    }
    if (!openForAppend())
        return fail(m_file.errorString());
    m_sizes = {m_base.journalBytes(), m_file.size()};
    const Session s = m_session();
    if (s.fileName != m_baseSession.fileName || s.label != m_baseSession.label)
        append(RecoveryFormat::file(s.fileName, s.label));
}

// The whole journal into a new file that replaces the old one only once it is
// complete and on the disk.
void JournalRecovery::writeWhole()
{
    m_rewritePending = false;
    m_rewrite.stop();
    if (!m_dirty || m_failed)
        return;
    beginBase();
    takeBase();
}

bool JournalRecovery::openForAppend()
{
    m_file.close();
    m_file.setFileName(m_path);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
}

void JournalRecovery::compactIfLarge()
{
    // Written whole only when that makes it clearly smaller, so that a
    // rewrite costs at most a few bytes for each byte appended since the
    // last: a fresh file of very short rows, or of text outside the code page
    // (UTF-8), may itself be above twice the journal's.
    const qint64 size = m_file.pos();
    if (size > 2 * m_sizes.journal && size > m_sizes.fresh + m_sizes.fresh / 4)
        writeWhole();
}

void JournalRecovery::sync()
{
    if (m_file.isOpen())
        RecoveryBase::syncToDisk(m_file.handle());
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
    m_prepare.stop();
    m_base.discard();
    m_file.close();
    if (m_reportFailure)
        m_reportFailure(RecoveryTexts::cannotWrite(m_path, reason));
}

#pragma once

#include "recovery/RecoveryBase.h"
#include "recovery/RecoveryFormat.h"

#include <QDateTime>
#include <QFile>
#include <QLockFile>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class JournalGrid;

// Keeps every change of the journal since it was last saved, opened or
// discarded in a recovery file in the settings folder, so that a crash, a
// killed process or a power cut does not take the unsaved rows with it.
//
// The first change after a reset starts the file with the whole journal,
// written beforehand a slice at a time while the journal was saved (see
// RecoveryBase), so that it costs no more than the change; every later
// change adds one record, handed to the operating system at once: a
// killed process loses nothing. The file is synced to the disk at most once a
// second, from a timer, so a power cut loses at most the last second. Rows
// appended cost a record each, whatever the journal's size. Texts are kept
// in the journal file's code page, so the file is little larger than the
// journal's own; when it grows past twice that (note edits, deletions), it
// is written anew from the journal.
//
// The changes are taken from the journal model's signals; a rebuilt journal
// (a new layout, rows loaded) is written whole. Only one copy of the program
// keeps a settings folder's recovery file (QLockFile); another copy runs
// without one and never touches it.
class JournalRecovery : public QObject
{
    Q_OBJECT

public:
    // What the journal holds beyond its rows.
    struct Session {
        int scaleType = 0;
        QString fileName;
        QString label;
    };
    struct Surroundings {
        const JournalGrid &journal;
        std::function<Session()> session;
        // Told once, when the file cannot be written; the journal goes on
        // without recovery.
        std::function<void(const QString &)> reportFailure;
    };

    static constexpr int SyncMs = 1000;

    JournalRecovery(const QString &folder, Surroundings surroundings, QObject *parent = nullptr);
    ~JournalRecovery() override;

    static QString fileName() { return QStringLiteral("Journal.recovery"); }
    // The whole journal written beforehand, beside it (RecoveryBase).
    static QString baseFileName() { return fileName() + QStringLiteral(".next"); }
    QString path() const { return m_path; }
    // Another copy of the program keeps this folder's recovery: this one
    // keeps none.
    bool heldByAnotherCopy() const { return m_heldElsewhere; }

    // What a session that ended without saving left, if anything.
    std::optional<RecoveredJournal> pending() const;
    QDateTime lastChange() const;
    // The journal was restored from pending(): go on adding to its file.
    void adopt(const RecoveredJournal &journal);

    // The journal changed (after the change): the first change after a reset
    // writes the whole journal.
    void changed();
    // The current file name or label changed.
    void sessionChanged();
    // The journal's rows were saved or discarded: nothing is left to recover.
    void reset();

    bool keeping() const { return m_dirty && !m_failed; }
    qint64 fileSize() const { return m_file.isOpen() ? m_file.size() : 0; }
    void setSyncInterval(int ms) { m_sync.setInterval(ms); }

private:
    bool recording() const { return m_dirty && !m_failed && !m_rewritePending; }
    void onRowsInserted(int first, int last);
    void onRowsAboutToBeRemoved(int first, int last);
    void onRowsRemoved(int first, int last);
    void onCellAboutToChange(int row, int col);
    void onDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles);
    // The reading id of a model row, when it has one.
    void appendReadingId(int row);
    void rewriteLater();
    // While nothing is unsaved: the whole journal, written anew in the
    // background for the first change to take.
    void prepareLater();
    void beginBase();
    bool baseFits() const;
    // The base completed becomes the recovery file.
    void takeBase();
    void append(QByteArrayView payload);
    void writeWhole();
    bool openForAppend();
    void compactIfLarge();
    void sync();
    void fail(const QString &reason);

    QString m_path;
    const JournalGrid &m_journal;
    std::function<Session()> m_session;
    std::function<void(const QString &)> m_reportFailure;
    QLockFile m_lock;
    QFile m_file;
    QTimer m_sync;
    QTimer m_rewrite;
    QTimer m_prepare;
    RecoveryBase m_base;
    Session m_baseSession; // as the base's session record has it
    int m_baseColumns = 0;
    QByteArray m_record;
    bool m_heldElsewhere = false;
    QString m_lockProblem; // the lock could not be taken for another reason
    bool m_dirty = false;
    bool m_failed = false;
    bool m_rewritePending = false;
    // Bytes of the journal's rows in its own file and in a recovery file
    // written anew, kept up to date change by change so that the bound of
    // twice the journal file is measured exactly.
    struct Sizes {
        qint64 journal = 0;
        qint64 fresh = 0;
        static Sizes of(QStringView cells);
        Sizes &operator+=(const Sizes &other);
        Sizes &operator-=(const Sizes &other);
    };
    Sizes m_sizes;
    Sizes m_removed; // of the rows about to be removed
};

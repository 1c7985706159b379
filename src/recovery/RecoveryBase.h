#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QTimer>

#include <thread>

class JournalGrid;

// The start of a recovery file: the whole journal, written into a file of
// its own beside the recovery file. It is written a slice at a time from the
// event loop while the journal is saved, so that a big journal costs the
// operator no wait; the first change then completes it with the rows that
// came since and moves it into place.
class RecoveryBase : public QObject
{
    Q_OBJECT

public:
    RecoveryBase(const JournalGrid &journal, const QString &path, QObject *parent = nullptr);
    // Removes a file that was never taken.
    ~RecoveryBase() override;

    // Begins the file anew: the header and this session record, then the
    // journal's rows, a slice at each turn of the event loop.
    void begin(QByteArrayView sessionPayload);
    void discard();
    bool active() const { return m_file.isOpen(); }
    // Rows were appended after those written: they follow, as changes once
    // the row count is written.
    void follow();
    // Journal rows (1 on) in the file so far: rows changed among them make
    // the file useless; rows appended after them do not.
    int rowsWritten() const { return m_rows; }
    // Every row the journal holds now, then the file closed, ready to take
    // the recovery file's place. False when it could not be written.
    bool complete();
    QString errorString() const { return m_syncError.isEmpty() ? m_file.errorString() : m_syncError; }
    QString path() const { return m_file.fileName(); }
    // The bytes of the rows written in the journal's own file.
    qint64 journalBytes() const { return m_journalBytes; }

    // Waits until what was written to the file is on the disk. False when
    // it could not be.
    static bool syncToDisk(int handle);

private:
    void slice();
    // Rows from the next one on until about budget bytes are out.
    bool writeRows(qsizetype budget);
    // Starts the file's way to the disk on another thread, so that taking
    // it later waits for little.
    void syncInBackground();
    // Waits for that thread: its copy of the file's handle must be closed
    // before the file is renamed or removed.
    void joinSync();

    const JournalGrid &m_journal;
    QFile m_file;
    QTimer m_slices;
    QByteArray m_buffer;
    int m_rows = 0;
    bool m_whole = false; // the row count is written: later rows are changes
    qint64 m_journalBytes = 0;
    std::thread m_syncer;
    QString m_syncError;
};

#pragma once

#include "central/CentralEvent.h"
#include "central/CentralSender.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class Clock;
class JournalGrid;
class Outbox;

// The station's side of the central journal: what happens to the journal's
// readings becomes events, kept in the outbox in the same turn and sent by
// the sender. A recorded reading's row gets its event's number as its id;
// only rows with an id send their note changes and deletions. Switched off,
// it keeps no outbox and sends nothing.
class CentralJournal : public QObject
{
    Q_OBJECT

public:
    struct Surroundings {
        JournalGrid &journal;
        const Clock &clock;
        std::function<int()> scaleType;
        std::function<QString()> journalFile;
    };
    // Where events stand, for the status bar.
    struct State {
        enum class Kind { Off, Sent, Waiting, Unreachable, Stopped };
        Kind kind = Kind::Off;
        qsizetype waiting = 0; // events not yet committed
        QDateTime since;       // the oldest of them was kept
        QString reason;        // why the server is unreachable, or why nothing is kept
    };

    CentralJournal(const QString &folder, Surroundings surroundings, QObject *parent = nullptr);
    ~CentralJournal() override;

    // Switched on with a connection (the sender starts anew), or off.
    void configure(bool on, const CentralConnection &connection,
                   const CentralSender::Timing &timing = CentralSender::Timing());
    bool on() const { return m_outbox != nullptr; }
    void setColumns(const QVector<JournalColumn> &columns);

    // A reading is recorded as a row of these data cells: its id, or 0 when
    // it is not sent (off, or the outbox cannot keep it).
    qint64 record(const QStringList &cells);
    // The journal was emptied or replaced.
    void emptied(CentralEvent::Emptied reason, const QString &openedFile = {}, int rowCount = 0);

    State state() const;

signals:
    // state() changed; told at most once a second.
    void stateChanged();
    // The server committed the events up to seq.
    void committed(qint64 seq);
    // Events can no longer be kept, or the server refused them: the
    // operator is told once.
    void problem(const QString &text);

private:
    qint64 keep(CentralEvent event);
    void onCellAboutToChange(int row, int col);
    void onDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles);
    void onRowsAboutToBeRemoved(const QModelIndex &parent, int first, int last);
    void onFailed(const QString &reason);
    void changedState();

    QString m_folder;
    Surroundings m_s;
    QVector<JournalColumn> m_columns;
    int m_noteColumn = -1; // grid column
    // The note of the row being changed, before the change.
    int m_changingRow = -1;
    QString m_oldNote;
    std::unique_ptr<Outbox> m_outbox;
    std::unique_ptr<CentralSender> m_sender;
    QString m_reason;
    bool m_stopped = false;
    QDateTime m_since;
    QTimer m_stateTimer;
};

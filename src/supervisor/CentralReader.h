#pragma once

#include "central/PgConnection.h"

#include "supervisor/CentralRows.h"
#include "supervisor/ReadingFilter.h"

#include <QHash>
#include <QObject>
#include <QPair>

class QSocketNotifier;
class QTimer;

// How long the reader waits to connect and for an answer, and how long it
// waits between attempts to connect again (doubling from the first).
struct ReaderTimeouts {
    PgConnection::Duration connect{5000};
    PgConnection::Duration answer{10000};
    PgConnection::Duration firstRetry{1000};
    PgConnection::Duration lastRetry{30000};
};

// Reads the central journal for the supervisor's window, on a thread of its
// own (moveToThread; its slots are called queued): pages of the selection by
// key, the selection's totals and a reading's history, and, through LISTEN,
// what each station committed after the last number read from it. When the
// server goes away it says so, keeps its place and connects again by itself
// (from 1 s up to 30 s apart), listening and catching up again.
class CentralReader : public QObject
{
    Q_OBJECT
public:
    using Timeouts = ReaderTimeouts;
    enum PageKind { Newest, Older, Newer };
    explicit CentralReader(const QString &conninfo, Timeouts timeouts = {});
    ~CentralReader() override;

public slots:
    // Connects, listens, and then reads the first page of the selection.
    void start();
    // A new selection (its generation marks its answers): the newest page.
    void select(const ReadingFilter &filter, int generation, int pageRows);
    // The page before or after a key of the current selection.
    void fetchOlder(const RowKey &before, int generation, int pageRows);
    void fetchNewer(const RowKey &after, int generation, int pageRows);
    void readTotals(int generation);
    void readHistory(const QString &station, qint64 reading);

signals:
    // A page: the newest (reset), older or newer than a key; rows in the
    // window's order; `more` when rows lie beyond it.
    void pageRead(int generation, int kind, const QList<CentralRow> &rows, bool more);
    // Readings that changed or came (those of `asked` the selection still
    // holds); any of `asked` not in `rows` left the selection.
    void readingsChanged(int generation, const QList<CentralRow> &rows,
                         const QList<QPair<QString, qint64>> &asked);
    void totalsRead(int generation, const QList<SelectionTotal> &totals);
    void historyRead(const QString &station, qint64 reading, const QList<HistoryEvent> &events);
    // The stations the server knows, as (UUID, name), at each connection.
    void stationsRead(const QList<QPair<QString, QString>> &stations);
    // Online, or the reason it is not (Russian).
    void stateChanged(bool online, const QString &message);

private:
    bool connectNow();
    void lost(const PgError &error);
    void dropNotifier();
    void onSocket();
    void catchUp(const QString &station);
    bool readPage(int kind, const RowKey *key, int pageRows);
    QStringList selectionParameters() const;
    bool ensureOnline();

    QString m_conninfo;
    Timeouts m_timeouts;
    PgConnection m_db;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_retry = nullptr;
    PgConnection::Duration m_nextRetry;
    bool m_started = false;
    bool m_everConnected = false;
    // The highest event number read from each station: live reading goes on
    // from it, never from a global serial id that rows committed late skip.
    QHash<QString, qint64> m_seen;
    ReadingFilter m_filter;
    QDateTime m_filterTime;
    int m_generation = -1;
    int m_pageRows = 200;
    bool m_pageOwed = false; // the newest page failed: read it once back online
};

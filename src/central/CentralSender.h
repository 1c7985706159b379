#pragma once

#include <QObject>
#include <QString>
#include <QUuid>

#include <memory>

// Where the central journal is and who this station is. No password: libpq
// reads it from passFile (a pgpass file) or the station logs in with a
// client certificate.
struct CentralConnection {
    QString host; // a name, an address, or a Unix socket's folder
    int port = 5432;
    QString database = QStringLiteral("tarovik");
    QString user;
    QString sslMode = QStringLiteral("prefer");
    QString sslRootCert;
    QString passFile;
    QUuid station;
    QString stationName;
};

class Outbox;
struct SenderShared;

// Sends the outbox's events to the central journal from a thread of its
// own, with a connection of its own through libpq in its non-blocking mode:
// the window thread never waits on the network. At each connection it
// checks the schema's version and asks the server for the last number it
// holds (connected: the outbox numbers on above it), then reads the events
// from the outbox's file and sends them in batches, one call of
// tarovik.append_events each, and reports a batch (committed) only once
// the server has committed it. Every wait has a
// deadline of the program's own; on any error it reports why (failed, in
// Russian) and tries again after 1 s, doubling up to 30 s.
class CentralSender : public QObject
{
    Q_OBJECT

public:
    static constexpr int KnownSchemaVersion = 1;

    struct Timing {
        int connectMs = 10000; // the name, the TCP connection, TLS and login
        int answerMs = 30000;  // each answer of the server
        int firstRetryMs = 1000;
        int lastRetryMs = 30000;
        int batchEvents = 1000;
        // Events that come one a reading are gathered this long into one
        // batch: the sender's thread, the server and the window's thread
        // are woken a few times a second, not at every reading.
        int gatherMs = 200;
    };

    CentralSender(const CentralConnection &connection, const Timing &timing, QObject *parent = nullptr);
    // Tells the thread to stop and waits for it a moment only: a thread
    // stuck in a name lookup is abandoned, never waited for.
    ~CentralSender() override;

    // Starts the thread on the outbox's events not yet acknowledged.
    void start(const Outbox &outbox);
    // The outbox has kept the events up to seq since.
    void kept(qint64 seq);

signals:
    // Connected: the server holds numbers up to serverLast.
    void connected(qint64 serverLast);
    // The server committed the events up to seq.
    void committed(qint64 seq);
    void failed(const QString &reason);

private:
    std::shared_ptr<SenderShared> m_shared;
    bool m_started = false;
};

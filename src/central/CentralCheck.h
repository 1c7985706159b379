#pragma once

#include "central/CentralSender.h"

#include <QObject>
#include <QString>

#include <memory>

struct CheckShared;

// Whether a station can send to the central journal with the settings it
// is given, told in the operator's words: the input itself, then the
// server's name and a TCP connection of our own, then the login, the
// schema's version and the right to append, told apart by SQLSTATE. It runs
// on a thread of its own, so the window never waits on the network; a check
// still running when this object goes is abandoned, and every wait but the
// name lookup has a deadline. It changes nothing on the server.
class CentralCheck : public QObject
{
    Q_OBJECT

public:
    struct Timing {
        int connectMs = 10000; // the name, the TCP connection, TLS and login
        int answerMs = 10000;  // each answer of the server
    };

    explicit CentralCheck(QObject *parent = nullptr);
    ~CentralCheck() override;

    // What is wrong with the settings before anything is sent: empty host,
    // port out of 1..65535, no database, verify-full without a root
    // certificate file that exists. Empty when nothing is.
    static QString inputProblem(const CentralConnection &c);

    // Starts a check (one still running is abandoned). A password that is
    // not empty is tried instead of the pgpass file's. knownSchemaVersion:
    // the newest schema the station sends to.
    void start(const CentralConnection &c, const QString &password, const Timing &timing,
               int knownSchemaVersion = CentralSender::KnownSchemaVersion);
    bool running() const { return m_running; }

signals:
    // ok: all is well. message: what is wrong, or that all is well.
    void finished(bool ok, const QString &message);

private:
    std::shared_ptr<CheckShared> m_shared;
    bool m_running = false;
};

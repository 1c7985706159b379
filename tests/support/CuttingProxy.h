#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

// A TCP port that forwards connections to the server, and cuts one line
// where a station's batch was committed but its answer never came back:
// once the station sent the batch's statement, the server's answer is
// dropped and both sides closed. Until release(), every connection after
// the cut is closed at once (or, silent, kept open and never answered: a
// server that accepts and says nothing), so that the test sees the server
// holding a batch the station has not heard of. It forwards while the
// test's thread waits in the event loop; the sender waits on its own thread.
class CuttingProxy : public QObject
{
public:
    // cutFirst: the first batch's answer is cut; else the one after cutNext().
    explicit CuttingProxy(quint16 target, bool cutFirst = true)
        : m_cutPending(cutFirst)
    {
        m_listener.listen(QHostAddress::LocalHost);
        connect(&m_listener, &QTcpServer::newConnection, this, [this, target] {
            while (QTcpSocket *station = m_listener.nextPendingConnection()) {
                if (m_holding && !m_silent) {
                    station->abort();
                    continue;
                }
                if (m_holding) {
                    connect(station, &QTcpSocket::readyRead, station, [station] { station->readAll(); });
                    m_held.append(station);
                    continue;
                }
                auto *server = new QTcpSocket(station);
                server->connectToHost(QHostAddress::LocalHost, target); // what is written meanwhile waits
                auto armed = std::make_shared<bool>(false);
                connect(station, &QTcpSocket::readyRead, server, [this, station, server, armed] {
                    const QByteArray bytes = station->readAll();
                    *armed = *armed || (m_cutPending && bytes.contains("append_events"));
                    server->write(bytes);
                });
                connect(server, &QTcpSocket::readyRead, station, [this, station, server, armed] {
                    if (!*armed) {
                        station->write(server->readAll());
                        return;
                    }
                    ++m_cuts;
                    m_cutPending = false;
                    m_holding = true;
                    server->abort();
                    station->abort();
                });
                connect(station, &QTcpSocket::disconnected, server, &QTcpSocket::disconnectFromHost);
                connect(server, &QTcpSocket::disconnected, station, &QTcpSocket::disconnectFromHost);
            }
        });
    }
    quint16 port() const { return m_listener.serverPort(); }
    int cuts() const { return m_cuts; }
    void cutNext(bool silentAfter)
    {
        m_cutPending = true;
        m_silent = silentAfter;
    }
    bool holding() const { return m_holding; }
    void release()
    {
        m_holding = false;
        for (QTcpSocket *held : std::as_const(m_held))
            held->abort();
        m_held.clear();
    }

private:
    QTcpServer m_listener;
    QList<QTcpSocket *> m_held;
    int m_cuts = 0;
    bool m_cutPending;
    bool m_holding = false;
    bool m_silent = false;
};

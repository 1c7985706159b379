#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <chrono>

typedef struct pg_conn PGconn;

// The answer to one statement: its rows as text (a null QString for NULL),
// or an error with its SQLSTATE and a Russian message for the user.
struct PgResult {
    QList<QVector<QString>> rows;
    QString sqlState;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// One notification of LISTEN: its channel and payload.
struct PgNotification {
    QString channel;
    QString payload;
};

// One libpq connection in its non-blocking mode: connecting and every
// answer are waited for with poll() up to a timeout, so a silent server
// holds the calling thread no longer than that. Values are always bound as
// parameters. A lost connection or an answer that did not come in time
// closes the connection; the caller opens it again.
class PgConnection
{
public:
    using Duration = std::chrono::milliseconds;
    PgConnection(Duration connectTimeout, Duration answerTimeout);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    // Opens the connection described by a libpq connection string
    // ("host=… port=… dbname=… user=…"); false with lastError() set.
    bool open(const QString &conninfo);
    void close();
    bool isOpen() const { return m_conn != nullptr; }
    QString lastError() const { return m_lastError; }

    // Runs one statement with its parameters ($1, $2 …; a null QString is
    // bound as NULL). On a lost connection or a timeout the connection is
    // closed and the result carries the error.
    PgResult query(const char *sql, const QStringList &params = {});

    // The socket to watch for notifications while idle (-1 when closed).
    int socket() const;
    // Reads what the server sent meanwhile and returns the notifications
    // received; closes the connection (isOpen() false) if it was lost.
    QList<PgNotification> takeNotifications();

private:
    bool waitSocket(short events, std::chrono::steady_clock::time_point deadline);
    void fail(const QString &message);

    PGconn *m_conn = nullptr;
    Duration m_connectTimeout;
    Duration m_answerTimeout;
    QString m_lastError;
};

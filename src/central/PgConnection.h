#pragma once

#include <QByteArrayList>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <chrono>
#include <functional>

typedef struct pg_conn PGconn;

// Why a call failed, for the caller to word: each caller says it in its
// own texts.
struct PgError {
    enum Kind {
        None,
        NotConnected, // the connection could not be made (detail: libpq's)
        Password,     // the server refused the password (or wanted one)
        NoAnswer,     // no answer within the timeout
        Lost,         // the connection broke
        Refused,      // the server answered with an error (sqlState, detail)
        Stopped,      // the owner asked to stop (see setInterrupt)
    };
    Kind kind = None;
    QString sqlState;
    QString detail; // the server's or libpq's own text: for logs, never for telling faults apart
};

// The answer to one statement: its rows as text (a null QString for NULL),
// or the error.
struct PgResult {
    QList<QVector<QString>> rows;
    PgError error;
    bool ok() const { return error.kind == PgError::None; }
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
    using Parameters = QList<QPair<const char *, QByteArray>>;
    PgConnection(Duration connectTimeout, Duration answerTimeout);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    // Every wait also watches fd: when it is readable, stopRequested() is
    // asked (it reads what woke it) and a true ends the call with Stopped.
    void setInterrupt(int fd, std::function<bool()> stopRequested);

    // Opens the connection described by a libpq connection string
    // ("host=… port=… dbname=… user=…"), or by libpq's keywords and values
    // (an empty value left to libpq's default); false with lastError() set.
    bool open(const QString &conninfo);
    bool open(const Parameters &parameters);
    void close();
    bool isOpen() const { return m_conn != nullptr; }
    const PgError &lastError() const { return m_lastError; }

    // Runs one statement with its parameters ($1, $2 …; a null one is
    // bound as NULL). On a lost connection, a timeout or a stop the
    // connection is closed and the result carries the error.
    PgResult query(const char *sql, const QByteArrayList &params);
    PgResult query(const char *sql, const QStringList &params = {});

    // The socket to watch for notifications while idle (-1 when closed).
    int socket() const;
    // Reads what the server sent meanwhile and returns the notifications
    // received; closes the connection (isOpen() false) if it was lost.
    QList<PgNotification> takeNotifications();

private:
    bool start(const char *const *keys, const char *const *values, int expandDbname);
    // NoAnswer at the deadline, Stopped on the owner's request, else None.
    PgError::Kind waitSocket(short events, std::chrono::steady_clock::time_point deadline);
    PgResult fail(PgError::Kind kind, const QString &detail = {});

    PGconn *m_conn = nullptr;
    Duration m_connectTimeout;
    Duration m_answerTimeout;
    PgError m_lastError;
    int m_interruptFd = -1;
    std::function<bool()> m_stopRequested;
};

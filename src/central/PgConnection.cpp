#include "central/PgConnection.h"

#include <libpq-fe.h>
#include <poll.h>

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

QString libpqText(const char *text)
{
    return QString::fromUtf8(text).trimmed();
}

} // namespace

PgConnection::PgConnection(Duration connectTimeout, Duration answerTimeout)
    : m_connectTimeout(connectTimeout), m_answerTimeout(answerTimeout)
{
}

PgConnection::~PgConnection()
{
    close();
}

void PgConnection::setInterrupt(int fd, std::function<bool()> stopRequested)
{
    m_interruptFd = fd;
    m_stopRequested = std::move(stopRequested);
}

void PgConnection::close()
{
    if (m_conn)
        PQfinish(m_conn); // in non-blocking mode: never waits on the server
    m_conn = nullptr;
}

PgResult PgConnection::fail(PgError::Kind kind, const QString &detail)
{
    m_lastError = {kind, QString(), detail};
    close();
    PgResult result;
    result.error = m_lastError;
    return result;
}

int PgConnection::socket() const
{
    return m_conn ? PQsocket(m_conn) : -1;
}

PgError::Kind PgConnection::waitSocket(short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<Duration>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return PgError::NoAnswer;
        pollfd fds[2] = {{PQsocket(m_conn), events, 0}, {m_interruptFd, POLLIN, 0}};
        const int n = ::poll(fds, m_interruptFd >= 0 ? 2 : 1, int(std::min<long long>(left.count(), 60000)));
        if (n < 0 && errno != EINTR)
            return PgError::NoAnswer;
        if (n > 0 && fds[1].revents && m_interruptFd >= 0 && m_stopRequested())
            return PgError::Stopped;
        if (n > 0 && fds[0].revents)
            return PgError::None;
    }
}

bool PgConnection::open(const QString &conninfo)
{
    const QByteArray text = conninfo.toUtf8();
    const char *keys[] = {"dbname", nullptr};
    const char *values[] = {text.constData(), nullptr};
    return start(keys, values, 1);
}

bool PgConnection::open(const Parameters &parameters)
{
    std::vector<const char *> keys;
    std::vector<const char *> values;
    for (const auto &p : parameters) {
        keys.push_back(p.first);
        values.push_back(p.second.isEmpty() ? nullptr : p.second.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    return start(keys.data(), values.data(), 0);
}

bool PgConnection::start(const char *const *keys, const char *const *values, int expandDbname)
{
    close();
    m_conn = PQconnectStartParams(keys, values, expandDbname);
    if (!m_conn || PQstatus(m_conn) == CONNECTION_BAD) {
        fail(PgError::NotConnected, m_conn ? libpqText(PQerrorMessage(m_conn)) : QString());
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + m_connectTimeout;
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    while (state != PGRES_POLLING_OK) {
        if (state == PGRES_POLLING_FAILED) {
            // Told apart by libpq's state, never by its (translated) text.
            const bool password = PQconnectionUsedPassword(m_conn) || PQconnectionNeedsPassword(m_conn);
            fail(password ? PgError::Password : PgError::NotConnected, libpqText(PQerrorMessage(m_conn)));
            return false;
        }
        if (const PgError::Kind waited = waitSocket(state == PGRES_POLLING_READING ? POLLIN : POLLOUT, deadline)) {
            fail(waited);
            return false;
        }
        state = PQconnectPoll(m_conn);
    }
    if (PQsetnonblocking(m_conn, 1) != 0) {
        fail(PgError::NotConnected, libpqText(PQerrorMessage(m_conn)));
        return false;
    }
    m_lastError = {};
    return true;
}

PgResult PgConnection::query(const char *sql, const QStringList &params)
{
    QByteArrayList bytes;
    for (const QString &p : params)
        bytes.append(p.isNull() ? QByteArray() : p.toUtf8());
    return query(sql, bytes);
}

PgResult PgConnection::query(const char *sql, const QByteArrayList &params)
{
    if (!m_conn) {
        PgResult result;
        result.error = m_lastError.kind == PgError::None ? PgError{PgError::NotConnected, {}, {}} : m_lastError;
        return result;
    }
    std::vector<const char *> values;
    for (const QByteArray &p : params)
        values.push_back(p.isNull() ? nullptr : p.constData());
    const auto deadline = std::chrono::steady_clock::now() + m_answerTimeout;
    // Every value a parameter: no value is ever part of the SQL text.
    if (!PQsendQueryParams(m_conn, sql, int(values.size()), nullptr, values.data(), nullptr, nullptr, 0))
        return fail(PgError::Lost, libpqText(PQerrorMessage(m_conn)));
    // The statement out (a big one may not fit the socket at once) ...
    for (;;) {
        const int flushed = PQflush(m_conn);
        if (flushed == 0)
            break;
        if (flushed < 0)
            return fail(PgError::Lost, libpqText(PQerrorMessage(m_conn)));
        if (const PgError::Kind waited = waitSocket(POLLIN | POLLOUT, deadline))
            return fail(waited);
        if (!PQconsumeInput(m_conn))
            return fail(PgError::Lost, libpqText(PQerrorMessage(m_conn)));
    }
    // ... and its answer in.
    PgResult result;
    for (;;) {
        if (!PQconsumeInput(m_conn))
            return fail(PgError::Lost, libpqText(PQerrorMessage(m_conn)));
        if (!PQisBusy(m_conn)) {
            PGresult *r = PQgetResult(m_conn);
            if (!r)
                break;
            const ExecStatusType status = PQresultStatus(r);
            if (status == PGRES_TUPLES_OK && result.ok()) {
                for (int i = 0; i < PQntuples(r); ++i) {
                    QVector<QString> row(PQnfields(r));
                    for (int c = 0; c < row.size(); ++c) {
                        if (!PQgetisnull(r, i, c))
                            row[c] = QString::fromUtf8(PQgetvalue(r, i, c), PQgetlength(r, i, c));
                    }
                    result.rows.append(row);
                }
            } else if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && result.ok()) {
                const char *state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
                // No SQLSTATE: libpq's own error, the connection broke.
                result.error = {state ? PgError::Refused : PgError::Lost, QString::fromLatin1(state),
                                libpqText(PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY))};
            }
            PQclear(r);
            continue;
        }
        if (const PgError::Kind waited = waitSocket(POLLIN, deadline))
            return fail(waited);
    }
    if (PQstatus(m_conn) == CONNECTION_BAD || result.error.kind == PgError::Lost)
        return fail(PgError::Lost, result.error.detail);
    return result;
}

QList<PgNotification> PgConnection::takeNotifications()
{
    if (m_conn && (!PQconsumeInput(m_conn) || PQstatus(m_conn) == CONNECTION_BAD))
        fail(PgError::Lost, libpqText(PQerrorMessage(m_conn)));
    QList<PgNotification> taken;
    while (m_conn) {
        PGnotify *n = PQnotifies(m_conn);
        if (!n)
            break;
        taken.append({QString::fromUtf8(n->relname), QString::fromUtf8(n->extra)});
        PQfreemem(n);
    }
    return taken;
}

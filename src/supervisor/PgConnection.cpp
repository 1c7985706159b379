#include "supervisor/PgConnection.h"

#include "supervisor/SupervisorTexts.h"

#include <libpq-fe.h>
#include <poll.h>

#include <QByteArray>

#include <cerrno>

namespace {

QString serverText(const char *text)
{
    return QString::fromUtf8(text).trimmed();
}

// The user's message for an error the server answered, told apart by its
// SQLSTATE, never by the server's (translated) text.
QString messageFor(const QString &sqlState, const QString &serverMessage)
{
    if (sqlState == QLatin1String("42501") || sqlState == QLatin1String("42883"))
        return SupervisorTexts::noViewerRight();
    if (sqlState.startsWith(QLatin1String("28")))
        return SupervisorTexts::loginRefused();
    if (sqlState == QLatin1String("3D000") || sqlState == QLatin1String("3F000"))
        return SupervisorTexts::noCentralJournal();
    return SupervisorTexts::serverError(serverMessage);
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

void PgConnection::close()
{
    if (m_conn)
        PQfinish(m_conn);
    m_conn = nullptr;
}

void PgConnection::fail(const QString &message)
{
    m_lastError = message;
    close();
}

int PgConnection::socket() const
{
    return m_conn ? PQsocket(m_conn) : -1;
}

bool PgConnection::waitSocket(short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<Duration>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fd{PQsocket(m_conn), events, 0};
        const int n = ::poll(&fd, 1, int(left.count()));
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            return false;
    }
}

bool PgConnection::open(const QString &conninfo)
{
    close();
    m_conn = PQconnectStart(conninfo.toUtf8().constData());
    if (!m_conn || PQstatus(m_conn) == CONNECTION_BAD) {
        fail(SupervisorTexts::notConnected(m_conn ? serverText(PQerrorMessage(m_conn)) : QString()));
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + m_connectTimeout;
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    while (state != PGRES_POLLING_OK) {
        if (state == PGRES_POLLING_FAILED) {
            fail(SupervisorTexts::notConnected(serverText(PQerrorMessage(m_conn))));
            return false;
        }
        if (!waitSocket(state == PGRES_POLLING_READING ? POLLIN : POLLOUT, deadline)) {
            fail(SupervisorTexts::noAnswer());
            return false;
        }
        state = PQconnectPoll(m_conn);
    }
    if (PQsetnonblocking(m_conn, 1) != 0) {
        fail(SupervisorTexts::notConnected(serverText(PQerrorMessage(m_conn))));
        return false;
    }
    m_lastError.clear();
    return true;
}

PgResult PgConnection::query(const char *sql, const QStringList &params)
{
    PgResult result;
    if (!m_conn) {
        result.error = m_lastError.isEmpty() ? SupervisorTexts::notConnected() : m_lastError;
        return result;
    }
    QList<QByteArray> bytes;
    QVector<const char *> values;
    for (const QString &p : params) {
        bytes.append(p.toUtf8());
        values.append(p.isNull() ? nullptr : bytes.constLast().constData());
    }
    const auto deadline = std::chrono::steady_clock::now() + m_answerTimeout;
    const auto lost = [&](const QString &message) {
        fail(message);
        result.error = message;
        return result;
    };
    const QString lostText = SupervisorTexts::connectionLost();
    if (!PQsendQueryParams(m_conn, sql, int(values.size()), nullptr, values.constData(), nullptr, nullptr, 0))
        return lost(lostText);
    for (;;) {
        const int flushed = PQflush(m_conn);
        if (flushed == 0)
            break;
        if (flushed < 0)
            return lost(lostText);
        if (!waitSocket(POLLIN | POLLOUT, deadline))
            return lost(SupervisorTexts::noAnswer());
        if (!PQconsumeInput(m_conn))
            return lost(lostText);
    }
    for (;;) {
        if (!PQconsumeInput(m_conn))
            return lost(lostText);
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
                result.sqlState = QString::fromLatin1(PQresultErrorField(r, PG_DIAG_SQLSTATE));
                result.error = messageFor(result.sqlState, serverText(PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY)));
            }
            PQclear(r);
            continue;
        }
        if (!waitSocket(POLLIN, deadline))
            return lost(SupervisorTexts::noAnswer());
    }
    if (PQstatus(m_conn) == CONNECTION_BAD)
        return lost(lostText);
    return result;
}

QList<PgNotification> PgConnection::takeNotifications()
{
    if (m_conn && (!PQconsumeInput(m_conn) || PQstatus(m_conn) == CONNECTION_BAD))
        fail(SupervisorTexts::connectionLost());
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

#include "central/CentralCheck.h"

#include "central/CentralTexts.h"

#include <libpq-fe.h>

#include <QFileInfo>
#include <QHostInfo>
#include <QMetaObject>
#include <QTcpSocket>

#include <chrono>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include <poll.h>

using Clock = std::chrono::steady_clock;

// What the window's side and the check's thread share; the thread keeps it
// alive after the window's side is gone.
struct CheckShared {
    std::mutex mutex;
    CentralCheck *owner = nullptr; // null once the window's side is gone or started another check

    void report(bool ok, const QString &message)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (owner)
            QMetaObject::invokeMethod(
                owner, [o = owner, ok, message] { emit o->finished(ok, message); }, Qt::QueuedConnection);
    }
};

namespace {

struct Job {
    CentralConnection connection;
    QByteArray password;
    CentralCheck::Timing timing;
    int knownSchemaVersion = 0;
};

int msLeft(Clock::time_point deadline)
{
    return int(std::max<long long>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
}

// The name, then a TCP connection to one of its addresses: an unknown host,
// a refused connection and a silent one told apart before libpq is asked.
std::optional<QString> checkReach(const Job &job)
{
    const CentralConnection &c = job.connection;
    if (c.host.startsWith(u'/'))
        return std::nullopt; // a Unix socket's folder: libpq tells
    const QHostInfo found = QHostInfo::fromName(c.host);
    if (found.error() != QHostInfo::NoError || found.addresses().isEmpty())
        return CentralTexts::hostUnknown(c.host);
    const auto deadline = Clock::now() + std::chrono::milliseconds(job.timing.connectMs);
    QString problem = CentralTexts::connectionRefused(c.host, c.port);
    for (const QHostAddress &address : found.addresses()) {
        QTcpSocket socket;
        socket.connectToHost(address, quint16(c.port));
        if (socket.waitForConnected(msLeft(deadline)))
            return std::nullopt;
        if (socket.error() != QAbstractSocket::ConnectionRefusedError)
            problem = CentralTexts::noAnswer(c.host, c.port);
    }
    return problem;
}

// One connection through libpq in its non-blocking mode, every wait with a
// deadline.
class Probe
{
public:
    explicit Probe(const Job &job) : m_job(job) {}
    ~Probe()
    {
        if (m_conn)
            PQfinish(m_conn);
    }
    Probe(const Probe &) = delete;
    Probe &operator=(const Probe &) = delete;

    std::optional<QString> connect();
    // One statement's single value, or what went wrong.
    std::optional<QString> value(const char *sql, QByteArray &value);

private:
    bool wait(short events, Clock::time_point deadline) const;

    const Job &m_job;
    PGconn *m_conn = nullptr;
};

bool Probe::wait(short events, Clock::time_point deadline) const
{
    for (;;) {
        const int left = msLeft(deadline);
        if (left <= 0)
            return false;
        pollfd fd{PQsocket(m_conn), events, 0};
        const int n = ::poll(&fd, 1, left);
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            return false;
    }
}

std::optional<QString> Probe::connect()
{
    const CentralConnection &c = m_job.connection;
    const QByteArray values[] = {c.host.toUtf8(), QByteArray::number(c.port), c.database.toUtf8(), c.user.toUtf8(),
                                 c.sslMode.toUtf8(), c.sslRootCert.toUtf8(), c.passFile.toUtf8(), m_job.password,
                                 QByteArrayLiteral("tarovik-station"), QByteArrayLiteral("UTF8")};
    const char *keys[] = {"host", "port", "dbname", "user", "sslmode", "sslrootcert", "passfile", "password",
                          "application_name", "client_encoding", nullptr};
    const char *vals[std::size(values) + 1] = {};
    for (size_t i = 0; i < std::size(values); ++i)
        vals[i] = values[i].isEmpty() ? nullptr : values[i].constData();
    m_conn = PQconnectStartParams(keys, vals, 0);
    if (!m_conn || PQstatus(m_conn) == CONNECTION_BAD)
        return CentralTexts::connectionFailed();
    const auto deadline = Clock::now() + std::chrono::milliseconds(m_job.timing.connectMs);
    for (PostgresPollingStatusType st = PGRES_POLLING_WRITING; st != PGRES_POLLING_OK;) {
        if (st == PGRES_POLLING_FAILED) {
            if (PQconnectionUsedPassword(m_conn) || PQconnectionNeedsPassword(m_conn))
                return CentralTexts::wrongPassword(c.user);
            if (c.sslMode == QLatin1String("require") || c.sslMode.startsWith(QLatin1String("verify")))
                return CentralTexts::tlsFailed();
            return CentralTexts::connectionFailed();
        }
        if (!wait(st == PGRES_POLLING_READING ? POLLIN : POLLOUT, deadline))
            return CentralTexts::noAnswer(c.host, c.port);
        st = PQconnectPoll(m_conn);
    }
    if (PQsetnonblocking(m_conn, 1) != 0)
        return CentralTexts::connectionLost();
    return std::nullopt;
}

std::optional<QString> Probe::value(const char *sql, QByteArray &value)
{
    const CentralConnection &c = m_job.connection;
    if (!PQsendQuery(m_conn, sql))
        return CentralTexts::connectionLost();
    const auto deadline = Clock::now() + std::chrono::milliseconds(m_job.timing.answerMs);
    for (int f; (f = PQflush(m_conn)) != 0;) {
        if (f < 0)
            return CentralTexts::connectionLost();
        if (!wait(POLLOUT | POLLIN, deadline))
            return CentralTexts::noAnswer(c.host, c.port);
        if (!PQconsumeInput(m_conn))
            return CentralTexts::connectionLost();
    }
    while (PQisBusy(m_conn)) {
        if (!wait(POLLIN, deadline))
            return CentralTexts::noAnswer(c.host, c.port);
        if (!PQconsumeInput(m_conn))
            return CentralTexts::connectionLost();
    }
    std::optional<QString> problem = CentralTexts::connectionLost();
    while (PGresult *r = PQgetResult(m_conn)) {
        const char *state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
        const QLatin1String code(state ? state : "");
        if (PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1 && PQnfields(r) == 1) {
            value = QByteArray(PQgetvalue(r, 0, 0), PQgetlength(r, 0, 0));
            problem.reset();
        } else if (code == QLatin1String("42501")) {
            problem = CentralTexts::noRight(c.user);
        } else if (code == QLatin1String("3F000") || code == QLatin1String("42883")) {
            problem = CentralTexts::noCentralJournal(c.database); // no schema tarovik, or not its functions
        } else if (!code.isEmpty()) {
            problem = CentralTexts::serverError(code);
        }
        PQclear(r);
    }
    return problem;
}

// The check itself, on the check's thread: what is wrong, or nothing.
std::optional<QString> check(const Job &job)
{
    const QString input = CentralCheck::inputProblem(job.connection);
    if (!input.isEmpty())
        return input;
    if (std::optional<QString> problem = checkReach(job))
        return problem;
    Probe probe(job);
    if (std::optional<QString> problem = probe.connect())
        return problem;
    QByteArray version;
    if (std::optional<QString> problem = probe.value("SELECT tarovik.schema_version()", version))
        return problem;
    if (version.toInt() > job.knownSchemaVersion)
        return CentralTexts::schemaTooNew(version.toInt(), job.knownSchemaVersion);
    // Asked, not tried: a call of append_events or last_committed would bind
    // the login to a station the operator may yet cancel.
    QByteArray right;
    if (std::optional<QString> problem = probe.value(
            "SELECT has_schema_privilege('tarovik', 'USAGE') "
            "AND has_function_privilege('tarovik.append_events(uuid, jsonb)', 'EXECUTE')",
            right))
        return problem;
    if (right != "t")
        return CentralTexts::noRight(job.connection.user);
    return std::nullopt;
}

} // namespace

CentralCheck::CentralCheck(QObject *parent) : QObject(parent)
{
    connect(this, &CentralCheck::finished, this, [this] { m_running = false; });
}

CentralCheck::~CentralCheck()
{
    if (m_shared) {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->owner = nullptr;
    }
}

QString CentralCheck::inputProblem(const CentralConnection &c)
{
    if (c.host.trimmed().isEmpty())
        return CentralTexts::hostMissing();
    if (c.port < 1 || c.port > 65535)
        return CentralTexts::portInvalid();
    if (c.database.trimmed().isEmpty())
        return CentralTexts::databaseMissing();
    if (c.sslMode == QLatin1String("verify-full") && !QFileInfo(c.sslRootCert).isFile())
        return CentralTexts::rootCertMissing();
    return QString();
}

void CentralCheck::start(const CentralConnection &c, const QString &password, const Timing &timing,
                         int knownSchemaVersion)
{
    if (m_shared) {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->owner = nullptr;
    }
    m_shared = std::make_shared<CheckShared>();
    m_shared->owner = this;
    m_running = true;
    Job job{c, password.toUtf8(), timing, knownSchemaVersion};
    try {
        std::thread([shared = m_shared, job] {
            const std::optional<QString> problem = check(job);
            shared->report(!problem, problem.value_or(CentralTexts::checkPassed(job.connection.host,
                                                                                job.connection.database)));
        }).detach();
    } catch (const std::system_error &) {
        m_running = false;
        emit finished(false, CentralTexts::connectionFailed());
    }
}

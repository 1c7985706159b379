#include "central/CentralCheck.h"

#include "central/CentralServer.h"
#include "central/CentralTexts.h"

#include <QFileInfo>
#include <QHostInfo>
#include <QMetaObject>
#include <QTcpSocket>

#include <chrono>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

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

// The check itself, on the check's thread: what is wrong, or nothing.
std::optional<QString> check(const Job &job)
{
    const QString input = CentralCheck::inputProblem(job.connection);
    if (!input.isEmpty())
        return input;
    if (std::optional<QString> problem = checkReach(job))
        return problem;
    const CentralConnection &c = job.connection;
    PgConnection db{std::chrono::milliseconds(job.timing.connectMs), std::chrono::milliseconds(job.timing.answerMs)};
    if (!db.open(CentralServer::parameters(c, job.password)))
        return CentralServer::problem(db.lastError(), c);
    QString problem;
    const std::optional<QByteArray> version =
        CentralServer::value(db, "SELECT tarovik.schema_version()", {}, c, &problem);
    if (!version)
        return problem;
    if (version->toInt() > job.knownSchemaVersion)
        return CentralTexts::schemaTooNew(version->toInt(), job.knownSchemaVersion);
    // Asked, not tried: a call of append_events or last_committed would bind
    // the login to a station the operator may yet cancel.
    const std::optional<QByteArray> right = CentralServer::value(
        db,
        "SELECT has_schema_privilege('tarovik', 'USAGE') "
        "AND has_function_privilege('tarovik.append_events(uuid, jsonb)', 'EXECUTE')",
        {}, c, &problem);
    if (!right)
        return problem;
    if (*right != "t")
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

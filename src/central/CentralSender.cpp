#include "central/CentralSender.h"

#include "central/CentralEvent.h"
#include "central/CentralServer.h"
#include "central/CentralTexts.h"
#include "central/Outbox.h"
#include "central/OutboxTail.h"
#include "central/PgConnection.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <utility>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

// What the window thread and the sender's thread share. The thread keeps
// it alive after the window's side is gone (an abandoned thread).
struct SenderShared {
    CentralConnection connection;
    CentralSender::Timing timing;
    std::mutex mutex;
    std::condition_variable ended;
    // The outbox at the start: the sender reads its events from the file.
    QString outboxPath;
    qint64 committedAtStart = 0;
    qint64 unsentFrom = 0;
    qint64 lastKept = 0; // the highest number the outbox has kept
    CentralSender *owner = nullptr;        // null once the window's side is gone
    bool stop = false;
    bool finished = false;
    bool idle = false; // the thread waits for an event: the next one wakes it
    int wake[2] = {-1, -1}; // a byte written wakes the thread's poll()

    ~SenderShared()
    {
        for (int fd : wake)
            if (fd >= 0)
                ::close(fd);
    }
    bool stopping()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return stop;
    }
    void wakeUp() { [[maybe_unused]] const auto n = ::write(wake[1], "w", 1); }
    void drainWake()
    {
        char buffer[64];
        while (::read(wake[0], buffer, sizeof buffer) > 0) {
        }
    }
    // Runs f on the window thread, unless the window's side is gone.
    template <typename F> void report(F f)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (owner)
            QMetaObject::invokeMethod(owner, [o = owner, f] { f(o); }, Qt::QueuedConnection);
    }
};

namespace {

// What a wait ended with.
enum class Waited { Ready, TimedOut, Stopped, Woken };

// Waits until fd is ready for events, the deadline passes or the thread is
// told to stop (fd -1: waits for the deadline or the stop only); with
// untilWoken, also until an event is handed over.
Waited waitFor(SenderShared &s, int fd, short events, Clock::time_point deadline, bool untilWoken = false)
{
    for (;;) {
        if (s.stopping())
            return Waited::Stopped;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return Waited::TimedOut;
        pollfd fds[2] = {{s.wake[0], POLLIN, 0}, {fd, events, 0}};
        const int n = ::poll(fds, fd >= 0 ? 2 : 1, int(std::min<long long>(left, 60000)));
        if (n < 0 && errno != EINTR)
            return Waited::TimedOut;
        if (fd >= 0 && n > 0 && fds[1].revents)
            return Waited::Ready;
        if (n > 0 && fds[0].revents) {
            s.drainWake();
            if (untilWoken && !s.stopping())
                return Waited::Woken;
        }
    }
}

Clock::time_point after(int ms)
{
    return Clock::now() + std::chrono::milliseconds(ms);
}

// The name and a TCP connection of our own, before libpq's: they tell an
// unknown host, a refused connection and a silent one apart without
// reading libpq's (translated) messages. Nothing when both went well.
std::optional<QString> checkReach(SenderShared &s)
{
    const CentralConnection &c = s.connection;
    if (c.host.startsWith(u'/'))
        return std::nullopt; // a Unix socket: libpq tells
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (::getaddrinfo(c.host.toUtf8().constData(), QByteArray::number(c.port).constData(), &hints, &found) != 0
        || !found)
        return CentralTexts::hostUnknown(c.host);
    std::optional<QString> problem = CentralTexts::connectionRefused(c.host, c.port);
    for (addrinfo *a = found; a && problem; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
            problem.reset();
        } else if (errno == EINPROGRESS) {
            const Waited w = waitFor(s, fd, POLLOUT, after(s.timing.connectMs));
            int error = 0;
            socklen_t length = sizeof error;
            if (w == Waited::Ready && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
                problem.reset();
            else if (w == Waited::TimedOut || (w == Waited::Ready && error != ECONNREFUSED))
                problem = CentralTexts::noAnswer(c.host, c.port);
        }
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return problem;
}

// One connection: from connecting to the error that ends it.
class Session
{
public:
    Session(SenderShared &s, OutboxTail &tail)
        : m_s(s), m_tail(tail), m_db(std::chrono::milliseconds(s.timing.connectMs), std::chrono::milliseconds(s.timing.answerMs))
    {
        // A stop ends any wait; an event handed over meanwhile waits for
        // the statement under way.
        m_db.setInterrupt(s.wake[0], [&s] {
            s.drainWake();
            return s.stopping();
        });
    }

    // Runs until an error or the stop; the error's text (empty on a stop).
    // progressed: a batch was committed (the next retry starts at 1 s).
    QString run(bool &progressed);

private:
    std::optional<QString> connect();
    std::optional<QByteArray> value(const char *sql, const QByteArrayList &params, QString &error)
    {
        return CentralServer::value(m_db, sql, params, m_s.connection, &error);
    }

    SenderShared &m_s;
    OutboxTail &m_tail;
    PgConnection m_db;
};

std::optional<QString> Session::connect()
{
    if (std::optional<QString> problem = checkReach(m_s))
        return problem;
    const CentralConnection &c = m_s.connection;
    if (!m_db.open(CentralServer::parameters(c)))
        return CentralServer::problem(m_db.lastError(), c);
    return std::nullopt;
}

QString Session::run(bool &progressed)
{
    if (std::optional<QString> problem = connect())
        return *problem;
    QString error;
    const std::optional<QByteArray> version = value("SELECT tarovik.schema_version()", {}, error);
    if (!version)
        return error;
    if (version->toInt() > CentralSender::KnownSchemaVersion)
        return CentralTexts::schemaTooNew(version->toInt(), CentralSender::KnownSchemaVersion);
    const QByteArray station = m_s.connection.station.toByteArray(QUuid::WithoutBraces);
    const std::optional<QByteArray> last = value("SELECT tarovik.last_committed($1::uuid, $2)",
                                                 {station, m_s.connection.stationName.toUtf8()}, error);
    if (!last)
        return error;
    const qint64 serverLast = last->toLongLong();
    m_s.report([serverLast](CentralSender *o) { emit o->connected(serverLast); });

    for (;;) {
        bool nothingKept = false;
        {
            std::lock_guard<std::mutex> lock(m_s.mutex);
            if (m_s.stop)
                return QString();
            nothingKept = m_s.lastKept <= m_tail.after();
            m_s.idle = nothingKept;
        }
        const QList<OutboxFormat::Entry> events =
            nothingKept ? QList<OutboxFormat::Entry>() : m_tail.batch(m_s.timing.batchEvents);
        if (events.isEmpty()) {
            // Nothing to send: wait for an event, and notice a connection
            // the server ended meanwhile.
            Waited w = nothingKept ? waitFor(m_s, m_db.socket(), POLLIN, after(3600 * 1000), true) : Waited::Woken;
            if (w == Waited::Woken)
                w = waitFor(m_s, m_db.socket(), POLLIN, after(m_s.timing.gatherMs));
            if (w == Waited::Stopped)
                return QString();
            if (w == Waited::Ready) {
                m_db.takeNotifications();
                if (!m_db.isOpen())
                    return CentralTexts::connectionLost();
            }
            continue;
        }
        QByteArrayList batch;
        for (const OutboxFormat::Entry &e : events)
            batch.append(e.json);
        const std::optional<QByteArray> answer = value("SELECT tarovik.append_events($1::uuid, $2::jsonb)",
                                                       {station, CentralJson::batch(batch)}, error);
        if (!answer)
            return error;
        m_tail.committed();
        progressed = true;
        // Committed: only now the outbox may drop them.
        const qint64 batchLast = events.constLast().seq;
        m_s.report([batchLast](CentralSender *o) { emit o->committed(batchLast); });
    }
}

void runSender(std::shared_ptr<SenderShared> s)
{
    OutboxTail tail(s->outboxPath, s->committedAtStart, s->unsentFrom);
    int delay = s->timing.firstRetryMs;
    while (!s->stopping()) {
        bool progressed = false;
        const QString error = Session(*s, tail).run(progressed);
        if (s->stopping())
            break;
        if (progressed)
            delay = s->timing.firstRetryMs;
        s->report([error](CentralSender *o) { emit o->failed(error); });
        waitFor(*s, -1, 0, after(delay));
        delay = std::min(delay * 2, s->timing.lastRetryMs);
    }
    std::lock_guard<std::mutex> lock(s->mutex);
    s->finished = true;
    s->ended.notify_all();
}

} // namespace

CentralSender::CentralSender(const CentralConnection &connection, const Timing &timing, QObject *parent)
    : QObject(parent)
    , m_shared(std::make_shared<SenderShared>())
{
    m_shared->connection = connection;
    m_shared->timing = timing;
    m_shared->owner = this;
    if (::pipe2(m_shared->wake, O_NONBLOCK | O_CLOEXEC) != 0)
        m_shared->wake[0] = m_shared->wake[1] = -1;
}

CentralSender::~CentralSender()
{
    if (!m_started)
        return;
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    m_shared->stop = true;
    m_shared->owner = nullptr;
    m_shared->wakeUp();
    // The thread ends at once unless it is inside a call that knows no
    // deadline (a name lookup): then it is left to end on its own.
    m_shared->ended.wait_for(lock, std::chrono::milliseconds(200), [this] { return m_shared->finished; });
}

void CentralSender::start(const Outbox &outbox)
{
    if (m_started || m_shared->wake[0] < 0)
        return;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->outboxPath = outbox.path();
        m_shared->committedAtStart = outbox.acknowledged();
        m_shared->unsentFrom = outbox.unsentFrom();
        m_shared->lastKept = outbox.lastSeq();
    }
    try {
        std::thread(runSender, m_shared).detach();
        m_started = true;
    } catch (const std::system_error &) {
        emit failed(CentralTexts::connectionFailed()); // no thread: nothing is sent, the outbox keeps all
    }
}

void CentralSender::kept(qint64 seq)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        if (seq <= m_shared->lastKept)
            return;
        m_shared->lastKept = seq;
        wake = std::exchange(m_shared->idle, false);
    }
    if (m_started && wake)
        m_shared->wakeUp();
}

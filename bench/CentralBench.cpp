// The station's side of the central journal against a real server started
// for the run (scripts/pg-test-server.sh, synced to disk as in the field):
// the catch-up of an outbox that filled while the server was away, the
// outbox's bytes an event, and the window's event loop while the sender
// meets a server that cannot be reached or never answers.

#include "Benches.h"
#include "Measure.h"

#include "central/CentralEvent.h"
#include "central/CentralSender.h"
#include "central/Outbox.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

namespace {

constexpr int BeatMs = 5;

// A server of its own for the bench, stopped when it goes.
struct Server {
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    bool up = false;

    Server()
    {
        env.insert(QStringLiteral("TAROVIK_PG_DURABLE"), QStringLiteral("1"));
        // Run as root, the server's user must reach its folder.
        QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeGroup | QFile::ExeOther);
        up = script({"start", folder()});
        QFile file(folder() + QStringLiteral("/env"));
        if (!up || !file.open(QIODevice::ReadOnly))
            return;
        const QString line = QString::fromUtf8(file.readAll()).trimmed().remove(QStringLiteral("export "));
        for (const QString &pair : line.split(u' ', Qt::SkipEmptyParts)) {
            const qsizetype eq = pair.indexOf(u'=');
            env.insert(pair.left(eq), pair.mid(eq + 1).remove(u'\''));
        }
    }
    ~Server() { script({"stop", folder()}); }
    QString folder() const { return dir.filePath(QStringLiteral("pg")); }
    bool script(const QStringList &args) const
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral(TAROVIK_SOURCE_DIR "/scripts/pg-test-server.sh"), args);
        return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    bool superuser(const QString &sql) const
    {
        QProcess psql;
        psql.setProcessEnvironment(env);
        psql.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        psql.start(QStringLiteral("psql"), {"-X", "-q", "-v", "ON_ERROR_STOP=1", "-c", sql});
        return psql.waitForFinished(60000) && psql.exitCode() == 0;
    }
    // A station's login and its connection, its password in a pgpass file.
    CentralConnection station(const QString &role, const QString &folder) const
    {
        CentralConnection c;
        c.host = QStringLiteral("127.0.0.1");
        c.port = env.value(QStringLiteral("PGPORT")).toInt();
        c.user = role;
        c.station = QUuid::createUuid();
        c.stationName = QStringLiteral("Весы 1, склад");
        c.passFile = QDir(folder).filePath(QStringLiteral("pgpass"));
        QFile pass(c.passFile);
        if (superuser(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'bench' IN ROLE tarovik_station").arg(role))
            && pass.open(QIODevice::WriteOnly)) {
            pass.write(QStringLiteral("*:*:*:%1:bench\n").arg(role).toUtf8());
            pass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
        return c;
    }
};

// A reading as the station records it: weighing layout, the journal's file,
// a note of a few words.
CentralEvent typicalReading(int i)
{
    const QDateTime at = QDateTime(QDate(2026, 12, 9), QTime(6, 0)).addSecs(i);
    CentralEvent e = CentralEvent::recorded(
        0, QStringLiteral("C:\\Журналы\\склад.txt"), JournalLayout::weighing(),
        {QString::number(i), QStringLiteral("%1").arg(QString::number(10 + (i * 7919 % 5000) / 1000.0, 'f', 3), 8),
         QStringLiteral("kg"), QStringLiteral("S"), at.toString(QStringLiteral("dd.MM.yyyy H:mm:ss")),
         QStringLiteral("партия 7")});
    e.stationTime = at;
    e.osUser = QStringLiteral("operator");
    return e;
}

// A note changed as an operator changes one: a few words more.
CentralEvent typicalNoteChange(int i)
{
    CentralEvent e = CentralEvent::noteChanged(i, QStringLiteral("партия 7"), QStringLiteral("партия 7, проверено"));
    e.stationTime = QDateTime(QDate(2026, 12, 9), QTime(6, 0)).addSecs(i);
    e.osUser = QStringLiteral("operator");
    return e;
}

// The outbox's bytes an event, over 10,000 of them.
double outboxBytes(CentralEvent (*event)(int))
{
    constexpr int Events = 10000;
    QTemporaryDir folder;
    Outbox outbox(folder.path());
    const qint64 empty = outbox.fileSize();
    for (int i = 1; i <= Events; ++i) {
        if (outbox.append(event(i)) == 0)
            return -1;
    }
    return double(outbox.fileSize() - empty) / Events;
}

struct CatchUp {
    double seconds = -1;
    double longestPause = -1;
    double pauseCpu = -1;
    qint64 events = 0;
};

CatchUp catchUp(const Server &server, int events)
{
    CatchUp f;
    QTemporaryDir folder;
    const CentralConnection connection = server.station(QStringLiteral("bench_catch_up"), folder.path());
    Outbox outbox(folder.path());
    for (int i = 1; i <= events; ++i) {
        if (outbox.append(typicalReading(i)) == 0)
            return f;
    }
    outbox.sync();
    CentralSender sender(connection, CentralSender::Timing{});
    QObject::connect(&outbox, &Outbox::appended, &sender, &CentralSender::send);
    QObject::connect(&sender, &CentralSender::connected, &outbox, &Outbox::raiseFloor);
    QObject::connect(&sender, &CentralSender::committed, &outbox, &Outbox::acknowledge);
    QObject::connect(&sender, &CentralSender::failed,
                     [](const QString &reason) { std::printf("central catch-up: %s\n", qPrintable(reason)); });
    Measure::Pulse pulse(BeatMs);
    pulse.start();
    const double t0 = Measure::monotonicSeconds();
    sender.start(outbox.pending());
    if (Measure::runUntil([&] { return outbox.acknowledged() >= events; }, 600))
        f.seconds = Measure::monotonicSeconds() - t0;
    pulse.stop();
    f.longestPause = pulse.longestPause();
    f.pauseCpu = pulse.pauseCpu();
    f.events = outbox.acknowledged();
    return f;
}

// A TCP port on this machine: listening (connections accepted by the
// kernel, never answered) or, once closed, refusing.
struct Port {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int number = 0;
    explicit Port(bool listening)
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length);
        number = ntohs(a.sin_port);
        if (listening)
            ::listen(fd, 64);
        else
            close();
    }
    ~Port() { close(); }
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

struct Unreachable {
    double longestPause = -1;
    double pauseCpu = -1;
    double processCpu = -1; // the whole process's, while it tried
    double exitSeconds = -1;
    int failures = 0;
};

// The sender trying for a while, as a station does, then ended from the
// window's thread as at exit.
Unreachable whileUnreachable(const QString &host, int port, double seconds)
{
    Unreachable f;
    CentralConnection c;
    c.host = host;
    c.port = port;
    c.user = QStringLiteral("bench");
    c.station = QUuid::createUuid();
    CentralSender::Timing timing;
    timing.connectMs = 2000;
    timing.answerMs = 2000;
    timing.firstRetryMs = 200;
    timing.lastRetryMs = 800;
    auto sender = std::make_unique<CentralSender>(c, timing);
    QObject::connect(sender.get(), &CentralSender::failed, [&f] { ++f.failures; });
    Measure::Pulse pulse(BeatMs);
    pulse.start();
    const double cpu = Measure::cpuSeconds();
    sender->start({});
    Measure::runUntil([] { return false; }, seconds);
    f.processCpu = Measure::cpuSeconds() - cpu;
    const double t0 = Measure::monotonicSeconds();
    sender.reset();
    f.exitSeconds = Measure::monotonicSeconds() - t0;
    Measure::runUntil([] { return false; }, 0.1);
    pulse.stop();
    f.longestPause = pulse.longestPause();
    f.pauseCpu = pulse.pauseCpu();
    return f;
}

} // namespace

void benchCentral(Table &table, const BenchOptions &options)
{
    const Server server;
    if (!server.up) {
        table.add({QStringLiteral("central: the test server"), QStringLiteral("did not start"), QString(), QString(),
                   QString(), false});
        return;
    }
    for (const auto &[what, event] : {std::pair{"a typical reading", &typicalReading},
                                      std::pair{"a note changed", &typicalNoteChange}}) {
        const double bytes = outboxBytes(event);
        table.add({QStringLiteral("central: outbox bytes, %1").arg(QLatin1String(what)), QString::number(bytes, 'f', 0),
                   QString(), QString(), QString(), bytes > 0});
    }
    const CatchUp c = catchUp(server, options.centralEvents);
    const double rate = c.seconds > 0 ? c.events / c.seconds : 0;
    table.add({QStringLiteral("central: catch-up of %L1 events, server on this machine").arg(options.centralEvents),
               QStringLiteral("%L1 events/s (%2)").arg(qRound(rate)).arg(millis(c.seconds)),
               QStringLiteral("1.7 M a day in %1 s").arg(rate > 0 ? 1.7e6 / rate : 0, 0, 'f', 0), QString(),
               QStringLiteral(">= 20,000 events/s"), rate >= 20000});
    table.add({QStringLiteral("central: catch-up, longest pause of the window's event loop"), millis(c.longestPause),
               millis(c.pauseCpu) + QStringLiteral(" (the window thread's processor time in it)"), QString(), QStringLiteral("<= 50 ms"), c.longestPause >= 0 && c.longestPause <= 0.05});

    Port silent(true);
    Port refusing(false);
    const struct {
        QString what;
        QString host;
        int port;
    } cases[] = {{QStringLiteral("connection refused"), QStringLiteral("127.0.0.1"), refusing.number},
                 {QStringLiteral("unknown host"), QStringLiteral("no-such-host.invalid"), 5432},
                 {QStringLiteral("accepts, never answers"), QStringLiteral("127.0.0.1"), silent.number}};
    for (const auto &u : cases) {
        const Unreachable f = whileUnreachable(u.host, u.port, options.centralUnreachableSeconds);
        table.add({QStringLiteral("central: server %1, longest pause of the window's event loop").arg(u.what),
                   millis(f.longestPause),
                   QStringLiteral("%1 (the window thread's processor time in it); %2 tries in %3 s, the "
                                  "process's processor time %4; exit %5")
                       .arg(millis(f.pauseCpu))
                       .arg(f.failures)
                       .arg(options.centralUnreachableSeconds)
                       .arg(millis(f.processCpu))
                       .arg(millis(f.exitSeconds)),
                   QString(), QStringLiteral("<= 50 ms"),
                   f.failures > 0 && f.longestPause >= 0 && f.longestPause <= 0.05});
    }
}

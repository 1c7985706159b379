// The station's side of the central journal against a real server started
// for the run (scripts/pg-test-server.sh, synced to disk as in the field):
// three stations at line rate, each the main window on the real serial line
// fed by the virtual scale, with the central journal on and then off (the
// lag from a reading recorded to its commit, and what sending costs the
// station's processor); the catch-up of an outbox that filled while the
// server was away, the outbox's bytes an event, and the window's event loop
// while the sender meets a server that cannot be reached or never answers.

#include "Benches.h"
#include "Measure.h"

#include "app/frm1.h"
#include "central/CentralEvent.h"
#include "central/CentralJournal.h"
#include "central/CentralSender.h"
#include "central/CentralSettings.h"
#include "central/Outbox.h"
#include "journal/JournalGrid.h"
#include "link/QtSerialLine.h"
#include "link/Recorder.h"
#include "link/ScaleLink.h"
#include "station/Station.h"
#include "support/TestWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int BeatMs = 5;
constexpr int LineStations = 3;
const QString StationPassword = QStringLiteral("bench");

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
    int port() const { return env.value(QStringLiteral("PGPORT")).toInt(); }
    // A station's login, its password StationPassword.
    bool login(const QString &role) const
    {
        return superuser(
            QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2' IN ROLE tarovik_station").arg(role, StationPassword));
    }
    // A station's login and its connection, its password in a pgpass file.
    CentralConnection station(const QString &role, const QString &folder) const
    {
        CentralConnection c;
        c.host = QStringLiteral("127.0.0.1");
        c.port = port();
        c.user = role;
        c.station = QUuid::createUuid();
        c.stationName = QStringLiteral("Весы 1, склад");
        c.passFile = QDir(folder).filePath(QStringLiteral("pgpass"));
        QFile pass(c.passFile);
        if (login(role) && pass.open(QIODevice::WriteOnly)) {
            pass.write(QStringLiteral("*:*:*:%1:%2\n").arg(role, StationPassword).toUtf8());
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
    long outageKb = -1;  // memory grown while the events were kept with no server
    long catchUpKb = -1; // the peak above that while they were sent
};

CatchUp catchUp(const Server &server, int events)
{
    CatchUp f;
    QTemporaryDir folder;
    const CentralConnection connection = server.station(QStringLiteral("bench_catch_up"), folder.path());
    const long before = Measure::rssKb();
    Outbox outbox(folder.path());
    for (int i = 1; i <= events; ++i) {
        if (outbox.append(typicalReading(i)) == 0)
            return f;
    }
    outbox.sync();
    const long kept = Measure::rssKb();
    f.outageKb = kept - before;
    const bool peakFromNow = Measure::resetPeakRss();
    CentralSender sender(connection, CentralSender::Timing{});
    QObject::connect(&outbox, &Outbox::appended, &sender, [&sender](const OutboxFormat::Entry &e) { sender.kept(e.seq); });
    QObject::connect(&sender, &CentralSender::connected, &outbox, &Outbox::raiseFloor);
    QObject::connect(&sender, &CentralSender::committed, &outbox, &Outbox::acknowledge);
    QObject::connect(&sender, &CentralSender::failed,
                     [](const QString &reason) { std::printf("central catch-up: %s\n", qPrintable(reason)); });
    Measure::Pulse pulse(BeatMs);
    pulse.start();
    const double t0 = Measure::monotonicSeconds();
    sender.start(outbox);
    if (Measure::runUntil([&] { return outbox.acknowledged() >= events; }, 600))
        f.seconds = Measure::monotonicSeconds() - t0;
    pulse.stop();
    f.longestPause = pulse.longestPause();
    f.pauseCpu = pulse.pauseCpu();
    f.events = outbox.acknowledged();
    if (peakFromNow)
        f.catchUpKb = Measure::peakRssKb() - kept;
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
    QTemporaryDir folder;
    const Outbox outbox(folder.path());
    auto sender = std::make_unique<CentralSender>(c, timing);
    QObject::connect(sender.get(), &CentralSender::failed, [&f] { ++f.failures; });
    Measure::Pulse pulse(BeatMs);
    pulse.start();
    const double cpu = Measure::cpuSeconds();
    sender->start(outbox);
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

// The lag of each reading, from the moment it is recorded (its event kept
// in the outbox) to the moment the station hears it committed.
class Lags : public QObject
{
public:
    explicit Lags(frm1 &w)
    {
        connect(&w.scaleLink().recorder(), &Recorder::recorded, this, [&w, this] {
            if (const qint64 id = w.journal().readingId(w.journal().Rows() - 1))
                m_recordedAt.emplace(id, Measure::monotonicSeconds());
        });
        connect(&w.station().central(), &CentralJournal::committed, this, [this](qint64 seq) {
            const double now = Measure::monotonicSeconds();
            const auto end = m_recordedAt.upper_bound(seq);
            for (auto it = m_recordedAt.begin(); it != end; ++it)
                m_lags.push_back(now - it->second);
            m_recordedAt.erase(m_recordedAt.begin(), end);
        });
    }
    bool allCommitted() const { return m_recordedAt.empty(); }
    void report()
    {
        std::sort(m_lags.begin(), m_lags.end());
        // Nearest rank.
        const auto at = [this](double q) {
            return m_lags.empty() ? -1.0 : m_lags[size_t(std::max(1.0, std::ceil(q * m_lags.size()))) - 1];
        };
        Measure::report("committed", double(m_lags.size()));
        Measure::report("uncommitted", double(m_recordedAt.size()));
        Measure::report("lag_p50", at(0.5));
        Measure::report("lag_p99", at(0.99));
        Measure::report("lag_max", at(1.0));
    }

private:
    std::map<qint64, double> m_recordedAt; // readings not yet committed, by id
    std::vector<double> m_lags;
};

// Three stations at line rate side by side, the central journal on (the
// lag, the processor time), then three with it off (the processor time).
void lineRate(Table &table, const BenchOptions &options, const Server &server)
{
    const QString seconds = QString::number(options.centralLineSeconds);
    QList<QStringList> on, off;
    for (int s = 1; s <= LineStations; ++s) {
        const QString role = QStringLiteral("bench_line_%1").arg(s);
        if (!server.login(role))
            return;
        on << QStringList{QStringLiteral("centralline"), seconds, QStringLiteral("on"),
                          QString::number(server.port()), role};
        off << QStringList{QStringLiteral("centralline"), seconds, QStringLiteral("off")};
    }
    const int timeout = options.centralLineSeconds + 180;
    const QList<QMap<QString, double>> runs[] = {Measure::runChildren(on, timeout),
                                                 Measure::runChildren(off, timeout)};
    double cpu[2] = {}, rows[2] = {};
    bool ran = true;
    for (int i = 0; i < 2; ++i) {
        for (const auto &r : runs[i]) {
            ran = ran && r.value("frames") > 0 && r.value("rows") == r.value("frames");
            cpu[i] += r.value("cpu");
            rows[i] += r.value("rows");
        }
    }
    double p50 = 0, p99 = 0, worst = 0, committed = 0, uncommitted = 0;
    QStringList p99s;
    for (const auto &r : runs[0]) {
        p50 = std::max(p50, r.value("lag_p50"));
        p99 = std::max(p99, r.value("lag_p99"));
        worst = std::max(worst, r.value("lag_max"));
        committed += r.value("committed");
        uncommitted += r.value("uncommitted");
        p99s << millis(r.value("lag_p99"));
    }
    const bool lagged = ran && committed == rows[0] && uncommitted == 0;
    table.add({QStringLiteral("central: lag from a reading recorded to committed, %1 stations at line rate %2 s, "
                              "p99 (the worst station's)")
                   .arg(LineStations)
                   .arg(seconds),
               lagged ? millis(p99) : QStringLiteral("–"),
               QStringLiteral("p99 of each station %1; p50 %2, max %3; %4 readings committed of %5")
                   .arg(p99s.join(QStringLiteral(", ")), millis(p50), millis(worst))
                   .arg(committed)
                   .arg(rows[0]),
               QString(), QStringLiteral("p99 <= 1 s"), lagged && p99 <= 1.0});
    const double perOn = rows[0] > 0 ? cpu[0] / rows[0] : 0, perOff = rows[1] > 0 ? cpu[1] / rows[1] : 0;
    const double more = perOff > 0 ? perOn / perOff - 1 : 0;
    table.add({QStringLiteral("central: processor time at line rate, central journal on against off (%1 stations "
                              "%2 s each, the stations' processes)")
                   .arg(LineStations)
                   .arg(seconds),
               QStringLiteral("%1%2 %").arg(more >= 0 ? "+" : "").arg(100 * more, 0, 'f', 1),
               QStringLiteral("on %1 a reading (%2 s over %3 readings), off %4 a reading (%5 s over %6)")
                   .arg(micros(perOn))
                   .arg(cpu[0], 0, 'f', 2)
                   .arg(rows[0])
                   .arg(micros(perOff))
                   .arg(cpu[1], 0, 'f', 2)
                   .arg(rows[1]),
               QString::number(1 + more, 'f', 3), QStringLiteral("<= 15 % more"), ran && more <= 0.15});
}

} // namespace

bool centralLineChild(const QStringList &args)
{
    if (args.value(0) != QLatin1String("centralline"))
        return false;
    const int seconds = args.value(1).toInt();
    const bool on = args.value(2) == QLatin1String("on");
    TestWindow window;
    writeSettings(window, {{"txtValTypeScale", "0"}, {"arrLuft_0", "0"}, {"chkShowStreamData", "1"}});
    if (on) {
        CentralSettings central;
        central.enabled = true;
        central.connection.host = QStringLiteral("127.0.0.1");
        central.connection.port = args.value(3).toInt();
        central.connection.user = args.value(4);
        central.connection.sslMode = QStringLiteral("disable");
        central.connection.stationName = args.value(4);
        if (!central.write(window.ini()) || !CentralSettings::writePassword(window.ini(), central.connection,
                                                                            StationPassword))
            return false;
    }
    frm1 &w = window.start(std::make_unique<QtSerialLine>(window.folder.path()));
    QCoreApplication::processEvents();
    waitForRecoveryBase(window.folder.path(), 0);
    CentralJournal &central = w.station().central();
    // Connected, and the journal's first event (the program starts it empty)
    // committed: the readings alone are measured.
    if (on && !Measure::runUntil([&] {
            return central.state().kind == CentralJournal::State::Kind::Sent && central.state().waiting == 0;
        }, 30))
        return false;
    Lags lags(w);
    if (!receiveAtLineRate(window, seconds))
        return false;
    if (on)
        Measure::runUntil([&] { return lags.allCommitted(); }, 30);
    Measure::report("rows", w.journal().Rows() - 1);
    lags.report();
    return true;
}

void benchCentral(Table &table, const BenchOptions &options)
{
    const Server server;
    if (!server.up) {
        table.add({QStringLiteral("central: the test server"), QStringLiteral("did not start"), QString(), QString(),
                   QString(), false});
        return;
    }
    lineRate(table, options, server);
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
    const double perEvent = double(c.outageKb) * 1024 / options.centralEvents;
    table.add({QStringLiteral("central: memory grown while %L1 events wait for the server / while they are sent")
                   .arg(options.centralEvents),
               QStringLiteral("%L1 / %L2 KiB").arg(c.outageKb).arg(c.catchUpKb),
               QStringLiteral("%1 B an event waiting").arg(perEvent, 0, 'f', 1), QString(),
               QStringLiteral("< 16 B an event waiting (the events stay in the file)"),
               c.outageKb >= 0 && c.catchUpKb >= 0 && perEvent < 16});
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

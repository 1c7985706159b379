// The sender against a real PostgreSQL (the fixture's, from
// scripts/pg-test-server.sh): batches committed through every fault a
// station meets, each ending with the central journal holding exactly the
// outbox's events 1..N; and each error told in the operator's words.
#include "central/CentralEvent.h"
#include "central/CentralSender.h"
#include "central/CentralTexts.h"
#include "central/Outbox.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The fixture's server, from the env file its start wrote.
QProcessEnvironment serverEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QFile f(QStringLiteral(PG_FIXTURE_DIR "/env"));
    if (f.open(QIODevice::ReadOnly)) {
        const QString line = QString::fromUtf8(f.readAll()).trimmed().remove(QStringLiteral("export "));
        for (const QString &pair : line.split(u' ', Qt::SkipEmptyParts)) {
            const qsizetype eq = pair.indexOf(u'=');
            env.insert(pair.left(eq), pair.mid(eq + 1).remove(u'\''));
        }
    }
    return env;
}

// A statement as the superuser; its rows unaligned, or "ERROR ..." on stderr.
QString superuser(const QString &sql)
{
    QProcess psql;
    psql.setProcessEnvironment(serverEnvironment());
    psql.start(QStringLiteral("psql"), {"-X", "-q", "-At", "-v", "ON_ERROR_STOP=1", "-c", sql});
    psql.waitForFinished(30000);
    return QString::fromUtf8(psql.readAllStandardOutput() + psql.readAllStandardError()).trimmed();
}

CentralEvent reading(int i)
{
    CentralEvent e = CentralEvent::recorded(0, QStringLiteral("Журнал.txt"), JournalLayout::weighing(),
                                            {QString::number(i), QStringLiteral(" 1%1.250").arg(i), "kg", "S",
                                             "09.12.2026 11:00:00", QStringLiteral("партия %1").arg(i)});
    e.osUser = QStringLiteral("оператор");
    return e;
}

CentralEvent countingReading(int i)
{
    return CentralEvent::recorded(2, QString(), JournalLayout::counting(),
                                  {QString::number(i), "1,500", "kg", "S", QString::number(i * 40), "0.0375",
                                   "09.12.2026 11:00:00", ""});
}

// The texts a station may send: quotes, Tab, CR LF, Cyrillic and characters
// Windows-1251 has not.
const QString Awkward = QStringLiteral("«a» \"b\" 'c'\td\r\nЖж ő Ω 😀 \\ $1 ');--");

int uniqueNumber()
{
    static int n = 0;
    return int(::getpid()) * 100 + ++n;
}

// A station: its login, outbox and sender, wired as the program wires them.
struct Station {
    QTemporaryDir dir;
    QString role = QStringLiteral("sender_%1").arg(uniqueNumber());
    QUuid uuid = QUuid::createUuid();
    CentralConnection connection;
    std::unique_ptr<Outbox> outbox;
    std::unique_ptr<CentralSender> sender;
    QList<QByteArray> sent; // every event the outbox numbered, in order

    explicit Station(const QString &password = QStringLiteral("секрет 1"), bool member = true)
    {
        const QProcessEnvironment env = serverEnvironment();
        superuser(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2' %3")
                      .arg(role, QStringLiteral("секрет 1"), member ? "IN ROLE tarovik_station" : ""));
        connection.host = QStringLiteral("127.0.0.1");
        connection.port = env.value("PGPORT").toInt();
        connection.user = role;
        connection.station = uuid;
        connection.stationName = QStringLiteral("Весы %1").arg(role);
        connection.passFile = dir.filePath("pgpass");
        QFile pass(connection.passFile);
        if (pass.open(QIODevice::WriteOnly)) {
            pass.write(QStringLiteral("*:*:*:%1:%2\n").arg(role, password).toUtf8());
            pass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
        outbox = std::make_unique<Outbox>(dir.path());
        QObject::connect(outbox.get(), &Outbox::appended,
                         [this](const OutboxFormat::Entry &e) { sent.append(e.json); });
    }
    static CentralSender::Timing quick()
    {
        CentralSender::Timing t;
        t.connectMs = 2000;
        t.answerMs = 5000;
        t.firstRetryMs = 200;
        t.lastRetryMs = 800;
        t.batchEvents = 4; // several batches even in a short test
        return t;
    }
    // acknowledging false: the sender's reports never reach the outbox, as
    // when the answer to a commit was lost.
    void startSender(bool acknowledging = true)
    {
        sender = std::make_unique<CentralSender>(connection, quick());
        QObject::connect(outbox.get(), &Outbox::appended, sender.get(), &CentralSender::send);
        if (acknowledging) {
            QObject::connect(sender.get(), &CentralSender::connected, outbox.get(), &Outbox::raiseFloor);
            QObject::connect(sender.get(), &CentralSender::committed, outbox.get(), &Outbox::acknowledge);
        }
        sender->start(outbox->pending());
    }
    // Readings from first to last, every kind of event among them.
    void record(int first, int last)
    {
        QVERIFY(outbox->append(CentralEvent::emptied(first == 1 ? CentralEvent::Emptied::New : CentralEvent::Emptied::Open,
                                                     QStringLiteral("Журнал %1.txt").arg(first), first)) > 0);
        for (int i = first; i <= last; ++i) {
            QVERIFY(outbox->append(i % 4 == 0 ? countingReading(i) : reading(i)) > 0);
            if (i % 5 == 0)
                QVERIFY(outbox->append(CentralEvent::deleted({outbox->nextSeq() - 1})) > 0);
            if (i % 3 == 0)
                QVERIFY(outbox->append(CentralEvent::noteChanged(outbox->nextSeq() - 1, QStringLiteral("партия %1").arg(i),
                                                                 Awkward)) > 0);
        }
    }
    // The central journal holds exactly the outbox's events 1..N, as sent.
    void verifyCentral() const
    {
        const QString rows = superuser(QStringLiteral(
            "SELECT coalesce(json_agg(json_build_object('seq', seq, 'kind', kind, 'note', note, "
            "'note_old', note_old, 'weight', weight::text, 'os_user', os_user, 'reading', reading, "
            "'quantity', quantity::text, 'kol_text', kol_text, 'readings', readings, 'reason', reason, "
            "'row_count', row_count, 'journal_file', journal_file, 'scale_type', scale_type) ORDER BY seq), '[]') "
            "FROM tarovik.events WHERE station = '%1'").arg(uuid.toString(QUuid::WithoutBraces)));
        const QJsonArray central = QJsonDocument::fromJson(rows.toUtf8()).array();
        QCOMPARE(central.size(), sent.size());
        for (qsizetype i = 0; i < sent.size(); ++i) {
            const QJsonObject mine = QJsonDocument::fromJson(sent[i]).object();
            const QJsonObject theirs = central[i].toObject();
            QCOMPARE(theirs.value("seq").toInteger(), i + 1);
            QCOMPARE(mine.value("seq").toInteger(), i + 1);
            for (const char *key : {"kind", "note", "note_old", "weight", "os_user", "reading", "quantity", "kol_text",
                                    "readings", "reason", "row_count", "journal_file", "scale_type"})
                QVERIFY2(theirs.value(key) == mine.value(key) || (theirs.value(key).isNull() && !mine.contains(key)),
                         qPrintable(QStringLiteral("%1 of %2").arg(key).arg(i + 1)));
        }
    }
    QString serverTimes() const
    {
        return superuser(QStringLiteral("SELECT string_agg(seq || ' ' || server_time, ',' ORDER BY seq) "
                                        "FROM tarovik.events WHERE station = '%1'")
                             .arg(uuid.toString(QUuid::WithoutBraces)));
    }
};

// A TCP port that accepts connections and never answers.
struct SilentServer {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    SilentServer()
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::listen(fd, 8);
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length);
        port = ntohs(a.sin_port);
    }
    ~SilentServer() { ::close(fd); }
};

// A port nobody listens on.
int closedPort()
{
    SilentServer s;
    return s.port; // closed when s goes
}

} // namespace

class TestCentralSender : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(superuser("SELECT tarovik.schema_version()") == "1", "the fixture's server runs");
    }

    void sendsThroughFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("none") << "none";
        QTest::newRow("answer lost, batch sent again") << "lost answer";
        QTest::newRow("server away for 3 s") << "server away";
        QTest::newRow("connection ended by the server") << "terminated";
    }
    void sendsThroughFaults()
    {
        QFETCH(QString, fault);
        Station station;
        station.record(1, 6);
        station.startSender(fault != "lost answer");
        QSignalSpy committed(station.sender.get(), &CentralSender::committed);
        QSignalSpy failed(station.sender.get(), &CentralSender::failed);
        const qint64 firstPart = station.outbox->nextSeq() - 1;
        QTRY_VERIFY_WITH_TIMEOUT(!committed.isEmpty() && committed.last().at(0).toLongLong() == firstPart, 10000);

        if (fault == "lost answer") {
            // The outbox never heard: it keeps all and they go again.
            const QString before = station.serverTimes();
            QCOMPARE(station.outbox->pending().size(), firstPart);
            station.startSender();
            QSignalSpy again(station.sender.get(), &CentralSender::committed);
            QTRY_VERIFY_WITH_TIMEOUT(station.outbox->pending().isEmpty(), 10000);
            QCOMPARE(station.serverTimes(), before); // nothing written twice, nothing changed
        } else if (fault == "server away") {
            QProcess pause;
            pause.start(QStringLiteral(PG_SERVER_SCRIPT), {"pause", PG_FIXTURE_DIR, "3"});
            QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 10000);
            station.record(7, 12); // kept while the server is away
            QVERIFY(pause.waitForFinished(30000));
            QCOMPARE(pause.exitCode(), 0);
        } else if (fault == "terminated") {
            QCOMPARE(superuser(QStringLiteral("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity "
                                              "WHERE usename = '%1'").arg(station.role)),
                     "1");
            QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 10000);
            QCOMPARE(failed.first().at(0).toString(), CentralTexts::connectionLost());
        }
        station.record(13, 17);
        QTRY_VERIFY_WITH_TIMEOUT(station.outbox->pending().isEmpty(), 20000);
        station.verifyCentral();
    }

    // The outbox lost its last events (a power cut) that the server holds:
    // new events are numbered above what the server reported.
    void numbersGoOnAboveTheServer()
    {
        Station station;
        station.record(1, 4);
        station.startSender();
        QTRY_VERIFY_WITH_TIMEOUT(station.outbox->pending().isEmpty(), 10000);
        station.sender.reset();
        station.outbox.reset();
        QFile::remove(station.dir.filePath(Outbox::fileName())); // everything lost
        station.outbox = std::make_unique<Outbox>(station.dir.path());
        QObject::connect(station.outbox.get(), &Outbox::appended,
                         [&station](const OutboxFormat::Entry &e) { station.sent.append(e.json); });
        QCOMPARE(station.outbox->nextSeq(), 1);
        station.startSender();
        QSignalSpy connected(station.sender.get(), &CentralSender::connected);
        QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 10000);
        QCOMPARE(station.outbox->nextSeq(), qint64(station.sent.size() + 1));
        station.record(5, 6);
        QTRY_VERIFY_WITH_TIMEOUT(station.outbox->pending().isEmpty(), 10000);
        station.verifyCentral();
    }

    void errorsTold_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unknown host") << "host" << CentralTexts::hostUnknown("no-such-host.invalid");
        QTest::newRow("nobody listens") << "refused" << QString(); // the port's number in it
        QTest::newRow("a server that never answers") << "silent" << QString();
        QTest::newRow("wrong password") << "password" << CentralTexts::wrongPassword(QString());
        QTest::newRow("no right to insert") << "right" << CentralTexts::noRight(QString());
        QTest::newRow("schema newer than the station") << "schema" << CentralTexts::schemaTooNew(99, 1);
        QTest::newRow("number reused with other contents") << "reused" << CentralTexts::numberReused();
        QTest::newRow("TLS the server has not") << "tls" << CentralTexts::tlsFailed();
    }
    void errorsTold()
    {
        QFETCH(QString, fault);
        QFETCH(QString, expected);
        Station station(fault == "password" ? QStringLiteral("не тот") : QStringLiteral("секрет 1"), fault != "right");
        SilentServer silent;
        std::unique_ptr<Station> other;
        if (fault == "host") {
            station.connection.host = QStringLiteral("no-such-host.invalid");
        } else if (fault == "refused") {
            station.connection.port = closedPort();
            expected = CentralTexts::connectionRefused("127.0.0.1", station.connection.port);
        } else if (fault == "silent") {
            station.connection.port = silent.port;
            expected = CentralTexts::noAnswer("127.0.0.1", silent.port);
        } else if (fault == "password" || fault == "right") {
            expected = fault == "password" ? CentralTexts::wrongPassword(station.role)
                                           : CentralTexts::noRight(station.role);
        } else if (fault == "schema") {
            QCOMPARE(superuser("INSERT INTO tarovik.schema_versions (version) VALUES (99)"), QString());
        } else if (fault == "reused") {
            // The server holds number 1 with other contents.
            other = std::make_unique<Station>();
            other->record(1, 1);
            other->startSender();
            QTRY_VERIFY_WITH_TIMEOUT(other->outbox->pending().isEmpty(), 10000);
            other->sender.reset();
            QFile::remove(other->outbox->path());
            other->outbox.reset();
            station.connection = other->connection;
            station.outbox = std::make_unique<Outbox>(other->dir.path());
            station.outbox->append(CentralEvent::emptied(CentralEvent::Emptied::New));
        } else if (fault == "tls") {
            station.connection.sslMode = QStringLiteral("require");
        }
        if (fault != "reused")
            station.record(1, 2);
        const qsizetype kept = station.outbox->pending().size();
        station.startSender();
        QSignalSpy failed(station.sender.get(), &CentralSender::failed);
        QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 10000);
        QCOMPARE(failed.first().at(0).toString(), expected);
        // It tries again, and keeps everything meanwhile.
        QTRY_VERIFY_WITH_TIMEOUT(failed.size() >= 2, 10000);
        QCOMPARE(failed.last().at(0).toString(), expected);
        QCOMPARE(station.outbox->pending().size(), kept);
        if (fault == "schema")
            QCOMPARE(superuser("DELETE FROM tarovik.schema_versions WHERE version = 99"), QString());
        // Ended from the window's thread in the middle of a try (a silent
        // server's wait, a connection): it never hangs there.
        station.sender.reset();
        station.outbox.reset(); // before the folder it may share with other goes
    }
};

QTEST_GUILESS_MAIN(TestCentralSender)
#include "tst_centralsender.moc"

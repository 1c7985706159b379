// The sender against a real PostgreSQL (the fixture's, from
// scripts/pg-test-server.sh): batches committed through every fault a
// station meets, each ending with the central journal holding exactly the
// outbox's events 1..N; and each error told in the operator's words.
#include "central/CentralEvent.h"
#include "central/CentralSender.h"
#include "central/CentralTexts.h"
#include "central/Outbox.h"
#include "support/CentralServer.h"
#include "support/CuttingProxy.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

namespace {

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
const QString Awkward = QStringLiteral("«a» \"b\" 'c'\td\r\nЖж € ő Ω ✓ 😀 \\ $1 ');--");

// A station: its login, outbox and sender, wired as the program wires them.
struct Station {
    QTemporaryDir dir;
    QString role;
    QUuid uuid = QUuid::createUuid();
    CentralConnection connection;
    std::unique_ptr<Outbox> outbox;
    std::unique_ptr<CentralSender> sender;
    QList<QByteArray> sent; // every event the outbox numbered, in order

    explicit Station(const QString &password = QStringLiteral("секрет 1"), bool member = true)
        : role(login(QStringLiteral("sender"), member ? QStringLiteral("IN ROLE tarovik_station") : QString(),
                     QStringLiteral("секрет 1"), dir.filePath("pgpass"), password))
    {
        connection.host = QStringLiteral("127.0.0.1");
        connection.port = port();
        connection.user = role;
        connection.station = uuid;
        connection.stationName = QStringLiteral("Весы %1").arg(role);
        connection.passFile = dir.filePath("pgpass");
        openOutbox();
    }
    void openOutbox()
    {
        outbox = std::make_unique<Outbox>(dir.path());
        QObject::connect(outbox.get(), &Outbox::appended,
                         [this](const OutboxFormat::Entry &e) { sent.append(e.json); });
    }
    // The outbox lost with all it held (a power cut before the file
    // reached the disk), what the server holds kept.
    void loseOutbox()
    {
        sender.reset();
        outbox.reset();
        QFile::remove(dir.filePath(Outbox::fileName()));
        openOutbox();
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
        QObject::connect(outbox.get(), &Outbox::appended, sender.get(),
                         [s = sender.get()](const OutboxFormat::Entry &e) { s->kept(e.seq); });
        if (acknowledging) {
            QObject::connect(sender.get(), &CentralSender::connected, outbox.get(), &Outbox::raiseFloor);
            QObject::connect(sender.get(), &CentralSender::committed, outbox.get(), &Outbox::acknowledge);
        }
        sender->start(*outbox);
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

// A certificate authority of the test's own in certificates (ca.crt) and,
// signed by it, the server's certificate for the name "localhost" only,
// given to the server and TLS switched on. False on any failure.
bool serverTls(const QString &certificates)
{
    const QString server = folder();
    QProcess openssl;
    openssl.setWorkingDirectory(certificates);
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    // The copies beside the server's data folder, readable by the server's
    // user and the key by no one else: owned by it when it is this user,
    // else by root with the data folder's group (what PostgreSQL allows a key).
    openssl.start(QStringLiteral("sh"), {"-ec", "openssl ecparam -name prime256v1 -out curve.pem\n"
                                               "openssl req -x509 -newkey ec:curve.pem -nodes -days 2 "
                                               "-subj '/CN=Tarovik test CA' -keyout ca.key -out ca.crt\n"
                                               "openssl req -newkey ec:curve.pem -nodes -subj /CN=localhost "
                                               "-keyout server.key -out server.csr\n"
                                               "echo subjectAltName=DNS:localhost >server.ext\n"
                                               "openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key "
                                               "-CAcreateserial -days 2 -extfile server.ext -out server.crt\n"
                                               "cd \"$0\"; rm -f test-server.*\n"
                                               "cp \"$1/server.crt\" test-server.crt; cp \"$1/server.key\" test-server.key\n"
                                               "if [ \"$(id -u)\" = 0 ]; then chown \"root:$(stat -c %g data)\" test-server.*; "
                                               "chmod 640 test-server.key; else chmod 600 test-server.key; fi",
                                         server, certificates});
    if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit || openssl.exitCode() != 0) {
        qWarning() << openssl.readAll();
        return false;
    }
    for (const QString &sql : {QStringLiteral("ALTER SYSTEM SET ssl_cert_file = '%1/test-server.crt'").arg(server),
                               QStringLiteral("ALTER SYSTEM SET ssl_key_file = '%1/test-server.key'").arg(server),
                               QStringLiteral("ALTER SYSTEM SET ssl = on"), QStringLiteral("SELECT pg_reload_conf()")})
        superuser(sql);
    // The reload is taken up a moment later.
    for (int tries = 0; tries < 100 && superuser("SHOW ssl_key_file") != server + QStringLiteral("/test-server.key"); ++tries)
        QTest::qWait(100);
    return superuser("SHOW ssl") == QLatin1String("on");
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
        QTest::newRow("answer to a commit cut on the line") << "cut";
        QTest::newRow("answer lost, the station restarted") << "lost answer";
        QTest::newRow("server away for 3 s") << "server away";
        QTest::newRow("connection ended by the server") << "terminated";
        QTest::newRow("outbox lost, the server holding its events") << "outbox lost";
    }
    void sendsThroughFaults()
    {
        QFETCH(QString, fault);
        Station station;
        std::unique_ptr<CuttingProxy> proxy;
        if (fault == "cut") {
            proxy = std::make_unique<CuttingProxy>(quint16(station.connection.port));
            station.connection.port = proxy->port();
        }
        station.record(1, 6);
        station.startSender(fault != "lost answer");
        QSignalSpy committed(station.sender.get(), &CentralSender::committed);
        QSignalSpy failed(station.sender.get(), &CentralSender::failed);
        // Events keep coming while the fault happens.
        QTimer stream;
        QObject::connect(&stream, &QTimer::timeout, [&station] {
            const int next = int(station.outbox->nextSeq());
            station.record(next, next);
        });
        const QString uuid = station.uuid.toString(QUuid::WithoutBraces);
        const auto serverLast = [&uuid] {
            return superuser(QStringLiteral("SELECT coalesce(max(seq), 0) FROM tarovik.events WHERE station = '%1'")
                                 .arg(uuid))
                .toLongLong();
        };

        if (fault == "cut") {
            QTRY_COMPARE_WITH_TIMEOUT(proxy->cuts(), 1, 10000);
            // The server committed the first batch; the station never heard.
            QCOMPARE(serverLast(), qint64(Station::quick().batchEvents));
            QCOMPARE(station.outbox->pending().first().seq, 1);
            const QString before = station.serverTimes();
            stream.start(10);
            QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 10000);
            QCOMPARE(failed.first().at(0).toString(), CentralTexts::connectionLost());
            proxy->release();
            QTRY_VERIFY_WITH_TIMEOUT(!committed.isEmpty(), 10000);
            // Sent again, it changed nothing the server held.
            QCOMPARE(station.serverTimes().left(before.size()), before);
        } else if (fault == "lost answer") {
            // The sender's reports never reached the outbox: it keeps all
            // and they go again after a restart.
            const qint64 firstPart = station.outbox->nextSeq() - 1;
            QTRY_VERIFY_WITH_TIMEOUT(!committed.isEmpty() && committed.last().at(0).toLongLong() == firstPart, 10000);
            const QString before = station.serverTimes();
            QCOMPARE(station.outbox->pendingCount(), firstPart);
            station.startSender();
            QTRY_VERIFY_WITH_TIMEOUT(station.outbox->pendingCount() == 0, 10000);
            QCOMPARE(station.serverTimes(), before); // nothing written twice, nothing changed
        } else if (fault == "server away" || fault == "terminated") {
            stream.start(10);
            QTRY_VERIFY_WITH_TIMEOUT(serverLast() > 6, 10000);
            QProcess away;
            if (fault == "server away")
                pause(away, 3);
            else
                QCOMPARE(superuser(QStringLiteral("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity "
                                                  "WHERE usename = '%1'").arg(station.role)), "1");
            QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 10000);
            if (fault == "terminated")
                QCOMPARE(failed.first().at(0).toString(), CentralTexts::connectionLost());
            QVERIFY(fault == "terminated" || (away.waitForFinished(30000) && away.exitCode() == 0));
        } else if (fault == "outbox lost") {
            // A power cut took the outbox with events the server holds: new
            // events are numbered above what the server reported.
            QTRY_VERIFY_WITH_TIMEOUT(station.outbox->pendingCount() == 0, 10000);
            station.loseOutbox();
            QCOMPARE(station.outbox->nextSeq(), 1);
            station.startSender();
            QSignalSpy connected(station.sender.get(), &CentralSender::connected);
            QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 10000);
            QCOMPARE(station.outbox->nextSeq(), qint64(station.sent.size() + 1));
        }
        // Sending on after the fault, then the last events without it.
        const qint64 afterFault = station.outbox->nextSeq() - 1;
        QTRY_VERIFY_WITH_TIMEOUT(serverLast() >= afterFault, 20000);
        stream.stop();
        station.record(int(station.outbox->nextSeq()), int(station.outbox->nextSeq()) + 4);
        QTRY_VERIFY_WITH_TIMEOUT(station.outbox->pendingCount() == 0, 20000);
        station.verifyCentral();
    }

    void errorsTold_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("expected");
        // The rest name the host, the port or the login, known once the test has made them.
        QTest::newRow("unknown host") << "host" << QString();
        QTest::newRow("nobody listens") << "refused" << QString();
        QTest::newRow("a server that never answers") << "silent" << QString();
        QTest::newRow("wrong password") << "password" << QString();
        QTest::newRow("no right to insert") << "right" << QString();
        QTest::newRow("schema newer than the station") << "schema" << CentralTexts::schemaTooNew(99, 1);
        QTest::newRow("number reused with other contents") << "reused" << CentralTexts::numberReused();
        QTest::newRow("TLS the server has not") << "tls" << QString();
    }
    void errorsTold()
    {
        QFETCH(QString, fault);
        QFETCH(QString, expected);
        Station station(fault == "password" ? QStringLiteral("не тот") : QStringLiteral("секрет 1"), fault != "right");
        QTcpServer silent;
        if (const QString told = arrangeFault(fault, station.connection, silent); !told.isEmpty()) {
            expected = told;
        } else if (fault == "schema") {
            QCOMPARE(superuser("INSERT INTO tarovik.schema_versions (version) VALUES (99)"), QString());
        } else if (fault == "reused") {
            // The server holds number 1 with other contents.
            station.record(1, 1);
            station.startSender();
            QTRY_VERIFY_WITH_TIMEOUT(station.outbox->pendingCount() == 0, 10000);
            station.loseOutbox();
            station.outbox->append(CentralEvent::emptied(CentralEvent::Emptied::New));
        }
        if (fault != "reused")
            station.record(1, 2);
        const qsizetype kept = station.outbox->pendingCount();
        station.startSender();
        QSignalSpy failed(station.sender.get(), &CentralSender::failed);
        QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 10000);
        QCOMPARE(failed.first().at(0).toString(), expected);
        // It tries again, and keeps everything meanwhile.
        QTRY_VERIFY_WITH_TIMEOUT(failed.size() >= 2, 10000);
        QCOMPARE(failed.last().at(0).toString(), expected);
        QCOMPARE(station.outbox->pendingCount(), kept);
        if (fault == "schema")
            QCOMPARE(superuser("DELETE FROM tarovik.schema_versions WHERE version = 99"), QString());
        // Ended from the window's thread in the middle of a try (a silent
        // server's wait, a connection): it never hangs there.
        station.sender.reset();
    }

    // verify-full: the server's certificate must come from the given root
    // and name the host the station connects to.
    void tlsVerifiesTheServersName_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("expected");
        QTest::newRow("the name in the certificate") << "localhost" << QString();
        QTest::newRow("an address the certificate does not name") << "127.0.0.1" << CentralTexts::tlsFailed();
    }
    void tlsVerifiesTheServersName()
    {
        QFETCH(QString, host);
        QFETCH(QString, expected);
        static QTemporaryDir certificates;
        static const bool tls = serverTls(certificates.path());
        QVERIFY2(tls, "the test's certificates made and the server's TLS on");
        Station station;
        station.connection.host = host;
        station.connection.sslMode = QStringLiteral("verify-full");
        station.connection.sslRootCert = certificates.filePath("ca.crt");
        station.record(1, 3);
        station.startSender();
        QSignalSpy failed(station.sender.get(), &CentralSender::failed);
        if (expected.isEmpty()) {
            QTRY_VERIFY2_WITH_TIMEOUT(station.outbox->pendingCount() == 0,
                                      qPrintable(failed.value(0).value(0).toString()), 10000);
            QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(0).toString()));
            QCOMPARE(superuser(QStringLiteral("SELECT count(*) FROM pg_stat_ssl JOIN pg_stat_activity USING (pid) "
                                              "WHERE ssl AND usename = '%1'").arg(station.role)),
                     "1");
            station.verifyCentral();
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 10000);
            QCOMPARE(failed.first().at(0).toString(), expected);
            QCOMPARE(station.outbox->pendingCount(), station.sent.size());
        }
    }

    void cleanupTestCase()
    {
        for (const char *sql : {"ALTER SYSTEM RESET ssl", "ALTER SYSTEM RESET ssl_cert_file",
                                "ALTER SYSTEM RESET ssl_key_file", "SELECT pg_reload_conf()"})
            superuser(QLatin1String(sql));
    }
};

QTEST_GUILESS_MAIN(TestCentralSender)
#include "tst_centralsender.moc"

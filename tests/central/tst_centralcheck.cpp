// "Проверить" against a real PostgreSQL (the fixture's server): each thing
// that keeps a station from sending told in the operator's words, and all
// well only when the station could send; the check itself binds nothing.
#include "central/CentralCheck.h"
#include "central/CentralSettings.h"
#include "central/CentralTexts.h"
#include "supervisor/CentralFixture.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>

class TestCentralCheck : public QObject
{
    Q_OBJECT

    int m_port = 0;

    // A login of its own, its password with the characters a pgpass file escapes.
    static QString login(const QString &role, const QString &membership)
    {
        PgConnection admin(5000ms, 5000ms);
        if (!admin.open(conninfo(QStringLiteral("postgres"))))
            return QString();
        const PgResult made = admin.query(
            qPrintable(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'пароль:1\\' %2").arg(role, membership)));
        return made.ok() ? role : made.error.detail;
    }
    static QString password() { return QStringLiteral("пароль:1\\"); }
    static QString stationsBoundTo(const QString &role)
    {
        PgConnection admin(5000ms, 5000ms);
        if (!admin.open(conninfo(QStringLiteral("postgres"))))
            return admin.lastError().detail;
        return admin.query("SELECT count(*) FROM tarovik.stations WHERE login = $1", {role}).rows.value(0).value(0);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(connectToServer(), "the fixture's server runs");
        m_port = QRegularExpression(QStringLiteral("port=(\\d+)")).match(g_conninfo).captured(1).toInt();
        QVERIFY(m_port > 0);
    }

    void told_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("ok");
        QTest::newRow("all is well, the password from the pgpass file") << "none" << true;
        QTest::newRow("all is well, the password typed") << "typed" << true;
        QTest::newRow("no server named") << "no host" << false;
        QTest::newRow("port out of range") << "port" << false;
        QTest::newRow("verify-full without its root certificate") << "no root" << false;
        QTest::newRow("unknown host") << "host" << false;
        QTest::newRow("nobody listens") << "refused" << false;
        QTest::newRow("a server that never answers") << "silent" << false;
        QTest::newRow("wrong password") << "password" << false;
        QTest::newRow("a login outside the stations' role") << "right" << false;
        QTest::newRow("a supervisor's login") << "viewer" << false;
        QTest::newRow("schema newer than the station") << "schema" << false;
        QTest::newRow("a database without the central journal") << "database" << false;
        QTest::newRow("TLS the server has not") << "tls" << false;
    }
    void told()
    {
        QFETCH(QString, fault);
        QFETCH(bool, ok);
        static int n = 0;
        const QString role = login(QStringLiteral("chk_%1_%2").arg(QCoreApplication::applicationPid()).arg(++n),
                                   fault == "right"    ? QString()
                                   : fault == "viewer" ? QStringLiteral("IN ROLE tarovik_viewer")
                                                       : QStringLiteral("IN ROLE tarovik_station"));
        QVERIFY2(role.startsWith(QLatin1String("chk_")), qPrintable(role));
        QTemporaryDir dir;
        const QString ini = dir.filePath("Init.ini");
        CentralConnection c;
        c.host = QStringLiteral("127.0.0.1");
        c.port = m_port;
        c.user = role;
        c.sslMode = QStringLiteral("disable");
        QVERIFY(CentralSettings::writePassword(ini, c, fault == "password" ? QStringLiteral("не тот") : password()));
        c.passFile = CentralSettings::read(ini).connection.passFile;
        QVERIFY(!c.passFile.isEmpty());
        QString typed;
        int known = CentralSender::KnownSchemaVersion;
        QTcpServer silent;
        QString expected = CentralTexts::checkPassed(c.host, c.database);
        if (fault == "typed") {
            QFile::remove(c.passFile);
            typed = password();
        } else if (fault == "no host") {
            c.host = QStringLiteral("  ");
            expected = CentralTexts::hostMissing();
        } else if (fault == "port") {
            c.port = 65536;
            expected = CentralTexts::portInvalid();
        } else if (fault == "no root") {
            c.sslMode = QStringLiteral("verify-full");
            c.sslRootCert = dir.filePath("root.crt");
            expected = CentralTexts::rootCertMissing();
        } else if (fault == "host") {
            c.host = QStringLiteral("no-such-host.invalid");
            expected = CentralTexts::hostUnknown(c.host);
        } else if (fault == "refused" || fault == "silent") {
            QVERIFY(silent.listen(QHostAddress::LocalHost));
            c.port = silent.serverPort();
            if (fault == "refused")
                silent.close();
            expected = fault == "refused" ? CentralTexts::connectionRefused(c.host, c.port)
                                          : CentralTexts::noAnswer(c.host, c.port);
        } else if (fault == "password") {
            expected = CentralTexts::wrongPassword(role);
        } else if (fault == "right" || fault == "viewer") {
            expected = CentralTexts::noRight(role);
        } else if (fault == "schema") {
            known = 0;
            expected = CentralTexts::schemaTooNew(1, 0);
        } else if (fault == "database") {
            c.database = QStringLiteral("postgres");
            QVERIFY(CentralSettings::writePassword(ini, c, password()));
            expected = CentralTexts::noCentralJournal(c.database);
        } else if (fault == "tls") {
            c.sslMode = QStringLiteral("require");
            expected = CentralTexts::tlsFailed();
        }

        CentralCheck check;
        QSignalSpy finished(&check, &CentralCheck::finished);
        check.start(c, typed, {1500, 3000}, known);
        QVERIFY(check.running());
        QVERIFY(finished.isEmpty()); // told later, never inside the window's call
        QVERIFY(finished.wait(15000));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().at(1).toString(), expected);
        QCOMPARE(finished.first().at(0).toBool(), ok);
        QVERIFY(!check.running());
        QCOMPARE(stationsBoundTo(role), QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(TestCentralCheck)
#include "tst_centralcheck.moc"

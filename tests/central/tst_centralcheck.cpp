// "Проверить" against a real PostgreSQL (the fixture's server): each thing
// that keeps a station from sending told in the operator's words, and all
// well only when the station could send; the check itself binds nothing.
#include "central/CentralCheck.h"
#include "central/CentralSettings.h"
#include "central/CentralTexts.h"
#include "support/CentralServer.h"

#include <QSignalSpy>
#include <QTemporaryDir>

class TestCentralCheck : public QObject
{
    Q_OBJECT

    static QString password() { return QStringLiteral("пароль:1\\"); } // what a pgpass file escapes

private slots:
    void initTestCase() { QVERIFY2(ready(), "the fixture's server runs"); }

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
        const QString role = login(QStringLiteral("chk"),
                                   fault == "right"    ? QString()
                                   : fault == "viewer" ? QStringLiteral("IN ROLE tarovik_viewer")
                                                       : QStringLiteral("IN ROLE tarovik_station"),
                                   password());
        QVERIFY2(role.startsWith(QLatin1String("chk_")), qPrintable(role));
        QTemporaryDir dir;
        const QString ini = dir.filePath("Init.ini");
        CentralConnection c;
        c.host = QStringLiteral("127.0.0.1");
        c.port = port();
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
        } else if (fault == "schema") {
            known = 0;
            expected = CentralTexts::schemaTooNew(1, 0);
        } else if (fault == "database") {
            c.database = QStringLiteral("postgres");
            QVERIFY(CentralSettings::writePassword(ini, c, password()));
            expected = CentralTexts::noCentralJournal(c.database);
        } else if (fault != "none") {
            expected = arrangeFault(fault == "viewer" ? QStringLiteral("right") : fault, c, silent);
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
        QCOMPARE(superuser(QStringLiteral("SELECT count(*) FROM tarovik.stations WHERE login = '%1'").arg(role)), "0");
    }
};

QTEST_GUILESS_MAIN(TestCentralCheck)
#include "tst_centralcheck.moc"

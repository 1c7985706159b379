// The station's central settings through real files: section [Central] of
// Init.ini beside the sections the program already keeps, the UUID given
// once, and the password only in the pgpass file beside it.
#include "central/CentralSettings.h"
#include "common/AnsiText.h"
#include "settings/IniTxt.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

Q_DECLARE_METATYPE(CentralSettings)

class TestCentralSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    const QByteArray m_homePass = "*:*:*:me:mine\n";
    std::unique_ptr<QTemporaryDir> m_dir;

    QString ini() const { return m_dir->filePath("Init.ini"); }
    QString pass() const { return m_dir->filePath(CentralSettings::passFileName()); }
    static QStringList fields(const CentralSettings &s)
    {
        const CentralConnection &c = s.connection;
        return {QString::number(s.enabled), c.host, QString::number(c.port), c.database, c.user, c.stationName, c.sslMode,
                c.sslRootCert};
    }
    static int mode(const QString &path)
    {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    }

private slots:
    void initTestCase()
    {
        // The user's own pgpass, which the program must never touch.
        qputenv("HOME", QFile::encodeName(m_home.path()));
        QVERIFY(TestFiles::put(m_home.filePath(".pgpass"), m_homePass));
    }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup() { QCOMPARE(TestFiles::bytesOf(m_home.filePath(".pgpass")), m_homePass); }

    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("oldIni");
        QTest::addColumn<QByteArray>("oldPass");
        QTest::addColumn<CentralSettings>("s");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("passLine"); // the first line of the pgpass file; empty: left as it was
        QTest::addColumn<QByteArrayList>("keptLines");
        const auto settings = [](bool enabled, const QString &host, int port, const QString &user, const QString &name,
                                 const QString &sslMode, const QString &rootCert = {}) {
            CentralSettings s;
            s.enabled = enabled;
            s.connection.host = host;
            s.connection.port = port;
            s.connection.user = user;
            s.connection.stationName = name;
            s.connection.sslMode = sslMode;
            s.connection.sslRootCert = rootCert;
            return s;
        };

        const QByteArray userSettings = "; Tarovik_RS232\r\n[UserSettings]\r\nChkBell = 1\r\narrLuft_0=2,5\r\n\r\n"
                                        "[LastSettings]\r\nCommNom=4\r\n";
        QTest::newRow("first switched on, in a new folder")
            << QByteArray() << QByteArray()
            << settings(true, "db.example.org", 6543, "station_3", "Весы 3, склад", "verify-full", "/etc/ssl/корень.crt")
            << QStringLiteral("секрет:с\\двоеточием")
            << QStringLiteral("db.example.org:6543:tarovik:station_3:секрет\\:с\\\\двоеточием").toUtf8()
            << QByteArrayList();
        QTest::newRow("switched off, the program's sections kept, no password")
            << userSettings << QByteArray() << settings(false, "", 5432, "", "", "prefer") << QString() << QByteArray()
            << QByteArrayList();
        QTest::newRow("switched on again: UUID kept, the login's old line replaced, others kept")
            << userSettings + "[Central]\r\nEnabled=0\r\nStation=0b3c2c8e-6f1e-4a55-9f35-0c1f0c6ad001\r\n"
            << QByteArray("other:5432:*:bob:x\n# a comment\ndb:5432:tarovik:st:old\n")
            << settings(true, "db", 5432, "st", "Склад", "require") << "new" << QByteArray("db:5432:tarovik:st:new")
            << QByteArrayList{"other:5432:*:bob:x", "# a comment"};
        QTest::newRow("password kept as it was when none is typed")
            << QByteArray() << QByteArray("db:5432:tarovik:st:kept\n") << settings(true, "db", 5432, "st", "", "disable")
            << QString() << QByteArray() << QByteArrayList();
        QTest::newRow("a Unix socket's folder is localhost in the pgpass file")
            << QByteArray() << QByteArray() << settings(true, "/var/run/postgresql", 5432, "st:1", "", "prefer") << "pw"
            << QByteArray("localhost:5432:tarovik:st\\:1:pw") << QByteArrayList();
    }
    void roundTrip()
    {
        QFETCH(QByteArray, oldIni);
        QFETCH(QByteArray, oldPass);
        QFETCH(CentralSettings, s);
        QFETCH(QString, password);
        QFETCH(QByteArray, passLine);
        QFETCH(QByteArrayList, keptLines);
        if (!oldIni.isEmpty())
            QVERIFY(TestFiles::put(ini(), oldIni));
        if (!oldPass.isEmpty())
            QVERIFY(TestFiles::put(pass(), oldPass));
        const QUuid oldStation(ReadIniValue(ini(), "Central", "Station", QString()));

        QString error;
        QVERIFY2(s.write(ini(), &error), qPrintable(error));
        QVERIFY2(CentralSettings::writePassword(ini(), s.connection, password, &error), qPrintable(error));

        const CentralSettings back = CentralSettings::read(ini());
        QCOMPARE(fields(back), fields(s));
        QCOMPARE(back.connection.passFile, QFile::exists(pass()) ? pass() : QString());

        // The program's own sections stay byte for byte.
        const QByteArray stored = TestFiles::bytesOf(ini());
        const qsizetype central = oldIni.indexOf("[Central]");
        QVERIFY(stored.startsWith(central < 0 ? oldIni : oldIni.left(central)));
        if (!password.isEmpty()) {
            QVERIFY(!stored.contains(password.toUtf8()));
            QVERIFY(!stored.contains(AnsiText::encode(password)));
        }

        // A UUID once switched on, never another.
        if (!oldStation.isNull())
            QCOMPARE(back.connection.station, oldStation);
        QCOMPARE(back.connection.station.isNull(), !s.enabled && oldStation.isNull());
        CentralSettings again = back;
        again.enabled = true;
        again.connection.station = QUuid();
        QVERIFY(again.write(ini()));
        const QUuid given = CentralSettings::read(ini()).connection.station;
        QVERIFY(!given.isNull());
        if (!back.connection.station.isNull())
            QCOMPARE(given, back.connection.station);

        if (passLine.isEmpty()) {
            QCOMPARE(TestFiles::bytesOf(pass()), oldPass.isEmpty() ? QByteArray("<none>") : oldPass);
        } else {
            QCOMPARE(mode(pass()), 0600);
            const QByteArrayList lines = TestFiles::bytesOf(pass()).split('\n');
            QCOMPARE(lines.first(), passLine);
            QCOMPARE(lines.mid(1, lines.size() - 2), keptLines);
            QCOMPARE(lines.last(), QByteArray()); // the last line ends
        }
    }

    // A failure is told, never taken for success, and leaves the files as they were.
    void failuresTold_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("Init.ini is a folder") << "ini";
        QTest::newRow("a root certificate's path Init.ini cannot hold") << "code page";
        QTest::newRow("the pgpass file is a folder") << "pgpass";
        QTest::newRow("a password with a line break") << "line break";
    }
    void failuresTold()
    {
        QFETCH(QString, fault);
        CentralSettings s;
        s.enabled = true;
        s.connection.host = QStringLiteral("db");
        s.connection.user = QStringLiteral("st");
        QString error;
        if (fault == "ini") {
            QVERIFY(QDir(m_dir->path()).mkdir("Init.ini"));
            QVERIFY(!s.write(ini(), &error));
        } else if (fault == "code page") {
            s.connection.sslRootCert = QStringLiteral("/etc/ssl/証明書.crt");
            QVERIFY(!s.write(ini(), &error));
            QCOMPARE(TestFiles::bytesOf(ini()), QByteArray("<none>")); // nothing half written
        } else {
            if (fault == "pgpass")
                QVERIFY(QDir(m_dir->path()).mkdir(CentralSettings::passFileName()));
            QVERIFY(!CentralSettings::writePassword(ini(), s.connection,
                                                    fault == "pgpass" ? QStringLiteral("pw") : QStringLiteral("a\nb"),
                                                    &error));
            QCOMPARE(QFileInfo(pass()).isDir(), fault == "pgpass");
        }
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCentralSettings)
#include "tst_centralsettings.moc"

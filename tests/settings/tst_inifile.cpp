#include "settings/IniTxt.h"
#include "settings/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The settings file as ReadIniValue / WriteIniValue see it, over the
// profile-file layer that reports failures.
class TestIniFile : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;

    bool put(const QByteArray &bytes) const
    {
        QFile file(m_path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    QByteArray stored() const
    {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static constexpr QFile::Permissions AllOwner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    static constexpr QFile::Permissions AllModes{0x7077}; // owner, group, others

    static QByteArray windowsIni()
    {
        return "; Tarovik_RS232\r\n"
               "[UserSettings]\r\n"
               "ChkBell = 1\r\n"
               "chkWriteZero=0\r\n"
               "arrLuft_0=2,5\r\n"
               "txtValTypeScale=3\r\n"
               "\r\n"
               "[lastsettings]\r\n"
               "  CommNom= 4 \r\n"
               "\r\n"
               "[InitDirPlu]\r\n"
               "InitDirPlu=D:\\\xC4\xE0\xED\xED\xFB\xE5\\\xC2\xE5\xF1\xFB\r\n" // D:\Данные\Весы
               "[Other]\r\n"
               "; x=z\r\n"
               "x=y\r\n";
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath("Init.ini");
    }

    void cleanup() { QFile::setPermissions(m_dir->path(), AllOwner); }

    void read_data()
    {
        QTest::addColumn<QByteArray>("file"); // null: no file
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected"); // read with default "d"
        QTest::newRow("no file") << QByteArray() << "S" << "k" << "d";
        QTest::newRow("no section") << QByteArray("[T]\r\nk=1\r\n") << "S" << "k" << "d";
        QTest::newRow("no key") << QByteArray("[S]\r\nj=1\r\n") << "S" << "k" << "d";
        QTest::newRow("letter case") << QByteArray("[userSETTINGS]\r\nCHKBELL=1\r\n") << "UserSettings"
                                     << "chkBell" << "1";
        QTest::newRow("cyrillic case") << QByteArray("[\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8]\nk=1\n")
                                       << u"НАСТРОЙКИ"_s << "k" << "1";
        QTest::newRow("blanks") << QByteArray("  [ S ]\n\tk \t=  v w \t\n") << "S" << "k" << "v w";
        QTest::newRow("LF only") << QByteArray("[S]\nk=v") << "S" << "k" << "v";
        QTest::newRow("double quotes") << QByteArray("[S]\nk=\" a \"\n") << "S" << "k" << " a ";
        QTest::newRow("single quotes") << QByteArray("[S]\nk='a'\n") << "S" << "k" << "a";
        QTest::newRow("unmatched quotes") << QByteArray("[S]\nk=\"a'\n") << "S" << "k" << "\"a'";
        QTest::newRow("lone quote") << QByteArray("[S]\nk=\"\n") << "S" << "k" << "\"";
        QTest::newRow("empty value") << QByteArray("[S]\nk=\n") << "S" << "k" << "";
        QTest::newRow("equals in value") << QByteArray("[S]\nk=a=b\n") << "S" << "k" << "a=b";
        QTest::newRow("comment") << QByteArray("[S]\n;k=1\n") << "S" << "k" << "d";
        QTest::newRow("comment in key") << QByteArray("[S]\n;k=1\n") << "S" << ";k" << "d";
        QTest::newRow("before sections") << QByteArray("k=1\n[S]\n") << "S" << "k" << "d";
        QTest::newRow("note after header") << QByteArray("[S] ; note\nk=1\n") << "S" << "k" << "1";
        QTest::newRow("first key wins") << QByteArray("[S]\nk=1\nK=2\n") << "S" << "k" << "1";
        QTest::newRow("first section wins") << QByteArray("[S]\na=1\n[s]\nk=2\n") << "S" << "k" << "d";
        QTest::newRow("no sections") << QByteArray("k=1\r\nS=1\r\n") << "S" << "k" << "d";
        QTest::newRow("NUL bytes") << QByteArrayLiteral("\0\0[\0\r\n[S]\r\nk=v\r\n") << "S" << "k" << "v";
        QTest::newRow("1 MB line") << QByteArray(1 << 20, '[') + "\r\n[S]\r\nk=v" << "S" << "k" << "v";
        QTest::newRow("1 MB key") << "[S]\r\n" + QByteArray(1 << 20, 'k') + "=1\r\nk=v" << "S" << "k" << "v";
        QTest::newRow("1 MB value") << "[S]\r\nk=" + QByteArray(1 << 20, 'v') << "S" << "k"
                                    << QString(254, u'v');
    }

    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        if (!file.isNull())
            QVERIFY(put(file));
        QTEST(ReadIniValue(m_path, section, key, "d"), "expected");
    }

    void binaryFile()
    {
        QByteArray junk(64 * 1024, Qt::Uninitialized);
        for (int i = 0; i < junk.size(); ++i)
            junk[i] = char((i * 7919) >> 3);
        QVERIFY(put(junk));
        QCOMPARE(ReadIniValue(m_path, "S", "k", "d"), "d");
        WriteIniValue(m_path, "S", "k", "v");
        QCOMPARE(ReadIniValue(m_path, "S", "k", "d"), "v");
        QVERIFY(stored().startsWith(junk));
    }

    // Reads find the value whatever the spelling around it; a write changes
    // the key's line only, and a new key joins the end of its section's keys.
    void windowsFile_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected"); // read with default "d"
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::newRow("spaced key") << "UserSettings" << "chkBell" << "1" << "0"
                                    << QByteArray("ChkBell = 1\r\n") << QByteArray("ChkBell=0\r\n");
        QTest::newRow("indented key") << "LastSettings" << "commnom" << "4" << "2"
                                      << QByteArray("  CommNom= 4 \r\n") << QByteArray("CommNom=2\r\n");
        QTest::newRow("cyrillic path")
            << "InitDirPlu" << "InitDirPlu" << u"D:\\Данные\\Весы"_s << u"C:\\Журнал"_s
            << QByteArray("InitDirPlu=D:\\\xC4\xE0\xED\xED\xFB\xE5\\\xC2\xE5\xF1\xFB")
            << QByteArray("InitDirPlu=C:\\\xC6\xF3\xF0\xED\xE0\xEB");
        QTest::newRow("after comment") << "Other" << "X" << "y" << "z" << QByteArray("\nx=y")
                                       << QByteArray("\nx=z");
        QTest::newRow("new key") << "UserSettings" << "frmTop" << "d" << "120" << QByteArray("=3\r\n")
                                 << QByteArray("=3\r\nfrmTop=120\r\n");
    }

    void windowsFile()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QVERIFY(put(windowsIni()));
        QTEST(ReadIniValue(m_path, section, key, "d"), "expected");
        WriteIniValue(m_path, section, key, value);
        QCOMPARE(stored(), windowsIni().replace(from, to));
        QCOMPARE(ReadIniValue(m_path, section, key, "d"), value);
    }

    void write_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QString>("value");     // written to S / k
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("no file") << QByteArray() << "v" << QByteArray("[S]\r\nk=v\r\n");
        QTest::newRow("LF kept") << QByteArray("[S]\nk=1\nj=2\n") << "v" << QByteArray("[S]\nk=v\nj=2\n");
        QTest::newRow("open end kept") << QByteArray("[S]\r\nK = 1") << "v" << QByteArray("[S]\r\nK=v");
        QTest::newRow("after last key") << QByteArray("[S]\r\na=1\r\n;T\r\n\r\n[T]\r\nk=1\r\n") << "v"
                                        << QByteArray("[S]\r\na=1\r\nk=v\r\n;T\r\n\r\n[T]\r\nk=1\r\n");
        QTest::newRow("keyless section") << QByteArray("[S]\r\n;k=1\r\n\r\n") << "v"
                                         << QByteArray("[S]\r\nk=v\r\n;k=1\r\n\r\n");
        QTest::newRow("header at open end") << QByteArray("[S]") << "v" << QByteArray("[S]\r\nk=v\r\n");
        QTest::newRow("new section") << QByteArray("[T]\r\na=1\r\n\r\n") << "v"
                                     << QByteArray("[T]\r\na=1\r\n\r\n[S]\r\nk=v\r\n");
        QTest::newRow("new section, open end") << QByteArray("k=1") << "v" << QByteArray("k=1\r\n[S]\r\nk=v\r\n");
        QTest::newRow("first duplicate") << QByteArray("[s]\nk=1\nk=2\n[S]\nk=3\n") << "v"
                                         << QByteArray("[s]\nk=v\nk=2\n[S]\nk=3\n");
        QTest::newRow("line breaks") << QByteArray() << "a\r\nb\rc\n" << QByteArray("[S]\r\nk=a  b c \r\n");
    }

    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, value);
        if (!before.isNull())
            QVERIFY(put(before));
        WriteIniValue(m_path, "S", "k", value);
        QTEST(stored(), "after");
    }

    void longValue()
    {
        QString value;
        for (int i = 0; i < 300; ++i)
            value += QChar(u'a' + i % 26);
        WriteIniValue(m_path, "S", "k", value);
        QCOMPARE(ReadIniValue(m_path, "S", "k", "d"), value.left(254));
    }

    void cyrillicRoundTrip()
    {
        const QString value = u"D:\\Весы\\Журнал №1"_s;
        WriteIniValue(m_path, "InitDirPlu", "InitDirPlu", value);
        QCOMPARE(ReadIniValue(m_path, "InitDirPlu", "InitDirPlu", "d"), value);
        QVERIFY(stored().contains("\\\xC2\xE5\xF1\xFB\\"));
    }

    void keysInWriteOrder()
    {
        const QStringList keys{"chkBell",   "chkWriteZero", "chkUnstablResult", "chkShowStreamData",
                               "arrLuft_0", "arrLuft_1",    "arrLuft_2",        "arrLuft_3",
                               "arrLuft_4", "arrLuft_5",    "txtValTypeScale"};
        QByteArray expected = "[UserSettings]\r\n";
        for (const QString &key : keys) {
            WriteIniValue(m_path, "UserSettings", key, "0");
            expected += key.toLatin1() + "=0\r\n";
        }
        WriteIniValue(m_path, "LastSettings", "CommNom", "1");
        QCOMPARE(stored(), expected + "[LastSettings]\r\nCommNom=1\r\n");
    }

    void badNamesRefused_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("line break in value") << "S" << "k" << "a\nb";
        QTest::newRow("line break in key") << "S" << "k\r\n[T]" << "v";
        QTest::newRow("bracket in section") << "S]" << "k" << "v";
        QTest::newRow("equals in key") << "S" << "k=j" << "v";
        QTest::newRow("comment key") << "S" << ";k" << "v";
        QTest::newRow("empty key") << "S" << " " << "v";
    }

    void badNamesRefused()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QVERIFY(!ProfileFile::writeString(m_path, section, key, value));
        QVERIFY(!QFile::exists(m_path));
    }

    void notAFile()
    {
        QVERIFY(QDir(m_dir->path()).mkdir("Init.ini"));
        QCOMPARE(ReadIniValue(m_path, "S", "k", "d"), "d");
        QVERIFY(!ProfileFile::writeString(m_path, "S", "k", "v"));
        QVERIFY(QDir(m_dir->path()).rmdir("Init.ini")); // it was still a folder
        QVERIFY(put("[S]\r\nk=1\r\n"));
        QVERIFY(!ProfileFile::writeString(m_path + "/Init.ini", "S", "k", "v"));
        QCOMPARE(stored(), "[S]\r\nk=1\r\n");
    }

    void permissionsKept()
    {
        QVERIFY(put("[S]\r\nk=1\r\n"));
        const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(m_path, mode));
        QVERIFY(ProfileFile::writeString(m_path, "S", "k", "2"));
        QCOMPARE(QFile::permissions(m_path) & AllModes, mode);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"Init.ini"});
    }

    void denied_data()
    {
        QTest::addColumn<int>("filePermissions");
        QTest::addColumn<int>("folderPermissions");
        QTest::newRow("unreadable file") << int(QFile::WriteOwner) << int(AllOwner);
        QTest::newRow("read-only file") << int(QFile::ReadOwner) << int(AllOwner);
        QTest::newRow("read-only folder") << int(QFile::ReadOwner | QFile::WriteOwner)
                                          << int(QFile::ReadOwner | QFile::ExeOwner);
    }

    // Nothing is written where the file cannot be read or replaced, and the
    // failure is reported.
    void denied()
    {
        QFETCH(int, filePermissions);
        QFETCH(int, folderPermissions);
        const QByteArray content = "[S]\r\nk=1\r\n";
        QVERIFY(put(content));
        QVERIFY(QFile::setPermissions(m_path, QFile::Permissions(filePermissions)));
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::Permissions(folderPermissions)));
        const QFileInfo file(m_path), folder(m_dir->path());
        if (file.isReadable() && file.isWritable() && folder.isWritable())
            QSKIP("permissions do not bind this account");
        const QString expected = file.isReadable() ? "1" : "d";
        QVERIFY(!ProfileFile::writeString(m_path, "S", "k", "2"));
        QVERIFY(!ProfileFile::writeString(m_path, "S", "j", "2"));
        QCOMPARE(ReadIniValue(m_path, "S", "k", "d"), expected);
        QVERIFY(QFile::setPermissions(m_dir->path(), AllOwner));
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(stored(), content);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"Init.ini"});
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"

#include "settings/IniTxt.h"
#include "common/Numbers.h"
#include "settings/SettingsRules.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// What the settings dialog does with typed and stored values.
class TestSettingsRules : public QObject
{
    Q_OBJECT

private slots:
    void luftKeyFilter_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("received"); // empty: discarded

        QTest::newRow("digit") << "" << "7" << "7";
        QTest::newRow("full stop becomes comma") << "1" << "." << ",";
        QTest::newRow("comma") << "1" << "," << ",";
        QTest::newRow("second comma") << "1,5" << "," << "";
        QTest::newRow("full stop after comma") << "1,5" << "." << "";
        QTest::newRow("comma before anywhere") << ",5" << "." << "";
        QTest::newRow("letter") << "1" << "a" << "";
        QTest::newRow("minus") << "" << "-" << "";
        QTest::newRow("backspace") << "12" << "\b" << "";
        QTest::newRow("enter") << "12" << "\r" << "";
        QTest::newRow("ctrl+v") << "12" << "\x16" << "";
        QTest::newRow("arabic-indic digit") << "" << QString(QChar(0x0663)) << "";
    }

    void luftKeyFilter()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, received);
        const std::optional<QChar> got = SettingsRules::filterLuftKey(typed.at(0), box);
        QCOMPARE(got ? QString(*got) : QString(), received);
    }

    void portRange_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("1") << "1" << true;
        QTest::newRow("16") << "16" << true;
        QTest::newRow("17, never listed") << "17" << true;
        QTest::newRow("32") << "32" << true;
        QTest::newRow("fraction inside") << "2,5" << true;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("33") << "33" << false;
        QTest::newRow("negative") << "-3" << false;
        QTest::newRow("letters") << "abc" << false;
        QTest::newRow("lone sign") << "-" << false;
        QTest::newRow("COM3") << "COM3" << false;
    }

    void portRange()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QCOMPARE(SettingsRules::portNumberInRange(text), accepted);
    }

    void decimalComma_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("padded weight") << "  12,500" << true << 12.5;
        QTest::newRow("negative") << "-1,250" << true << -1.25;
        QTest::newRow("sign padded") << "-  1,2" << true << -1.2;
        QTest::newRow("plus") << "+3" << true << 3.0;
        QTest::newRow("trailing blanks") << "0,000  " << true << 0.0;
        QTest::newRow("no integer part") << ",5" << true << 0.5;
        QTest::newRow("full stop is no separator") << "1.5" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blanks") << "   " << false << 0.0;
        QTest::newRow("dashes") << "-------" << false << 0.0;
        QTest::newRow("letters") << "OL" << false << 0.0;
        QTest::newRow("two commas") << "1,2,3" << false << 0.0;
        QTest::newRow("inner blank") << "1 2" << false << 0.0;
    }

    void decimalComma()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const std::optional<double> got = Numbers::parseDecimalComma(text);
        QCOMPARE(got.has_value(), valid);
        if (valid)
            QCOMPARE(*got, value);
    }

    void portNumber()
    {
        QCOMPARE(Numbers::parsePortNumber("3"), std::optional<int>(3));
        QCOMPARE(Numbers::parsePortNumber("2,5"), std::optional<int>(2)); // halves to even
        QCOMPARE(Numbers::parsePortNumber("3,5"), std::optional<int>(4));
        QCOMPARE(Numbers::parsePortNumber("40000"), std::optional<int>());
        QCOMPARE(Numbers::parsePortNumber(""), std::optional<int>());
    }

    void numberText()
    {
        QCOMPARE(Numbers::format(8), QStringLiteral("8"));
        QCOMPARE(Numbers::format(-3), QStringLiteral("-3"));
        QCOMPARE(Numbers::format(2.5), QStringLiteral("2,5"));
    }

    // Values the program never writes start it with sound ones.
    void loadSanitises_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("bell");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("luft0");
        QTest::addColumn<QString>("port");

        QTest::newRow("missing file") << QByteArray() << 0 << 0 << "0" << "1";
        QTest::newRow("well formed")
            << QByteArray("[UserSettings]\r\nchkBell=1\r\ntxtValTypeScale=4\r\narrLuft_0=2,5\r\n[LastSettings]\r\nCommNom=3\r\n")
            << 1 << 4 << "2,5" << "3";
        QTest::newRow("greyed check") << QByteArray("[UserSettings]\r\nchkBell=2\r\n") << 2 << 0 << "0" << "1";
        QTest::newRow("check state 7") << QByteArray("[UserSettings]\r\nchkBell=7\r\n") << 0 << 0 << "0" << "1";
        QTest::newRow("type x") << QByteArray("[UserSettings]\r\ntxtValTypeScale=x\r\n") << 0 << 0 << "0" << "1";
        QTest::newRow("type 9") << QByteArray("[UserSettings]\r\ntxtValTypeScale=9\r\n") << 0 << 0 << "0" << "1";
        QTest::newRow("empty dead zone") << QByteArray("[UserSettings]\r\narrLuft_0=\r\n") << 0 << 0 << "" << "1";
        QTest::newRow("dead zone with full stop") << QByteArray("[UserSettings]\r\narrLuft_0=1.5\r\n") << 0 << 0 << "1,5" << "1";
        QTest::newRow("dead zone letters") << QByteArray("[UserSettings]\r\narrLuft_0=abc\r\n") << 0 << 0 << "0" << "1";
        QTest::newRow("port letters kept for the dialog") << QByteArray("[LastSettings]\r\nCommNom=abc\r\n") << 0 << 0 << "0" << "abc";
    }

    void loadSanitises()
    {
        QFETCH(QByteArray, ini);
        QTemporaryDir dir;
        const QString path = dir.filePath("Init.ini");
        if (!ini.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(ini);
        }
        const StoredSettings s = SettingsStore::load(path);
        QTEST(s.bell, "bell");
        QTEST(s.scaleType, "type");
        QTEST(s.luft[0], "luft0");
        QTEST(s.commNom, "port");
    }

    void saveWritesTwelveKeysInOrder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Init.ini");
        StoredSettings s;
        s.writeZero = 1;
        s.luft[5] = QStringLiteral("2,5");
        s.scaleType = 5;
        s.commNom = QStringLiteral("3");
        SettingsStore::save(path, s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("[UserSettings]\r\n"
                                         "chkBell=0\r\nchkWriteZero=1\r\nchkUnstablResult=0\r\nchkShowStreamData=0\r\n"
                                         "arrLuft_0=0\r\narrLuft_1=0\r\narrLuft_2=0\r\narrLuft_3=0\r\narrLuft_4=0\r\n"
                                         "arrLuft_5=2,5\r\ntxtValTypeScale=5\r\n"
                                         "[LastSettings]\r\nCommNom=3\r\n"));
        const StoredSettings back = SettingsStore::load(path);
        QCOMPARE(back.writeZero, 1);
        QCOMPARE(back.luft[5], QStringLiteral("2,5"));
        QCOMPARE(back.scaleType, 5);
        QCOMPARE(back.commNom, QStringLiteral("3"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsRules)
#include "tst_settingsrules.moc"

#include "link/LineSettings.h"

#include <QtTest>

using Parity = LineSettings::Parity;
using Stop = LineSettings::StopBits;

class TstLineSettings : public QObject
{
    Q_OBJECT

private slots:
    void wellFormed_data();
    void wellFormed();
    void malformed_data();
    void malformed();
};

void TstLineSettings::wellFormed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("baud");
    QTest::addColumn<Parity>("parity");
    QTest::addColumn<int>("data");
    QTest::addColumn<Stop>("stop");
    QTest::newRow("scale profile") << "9600,N,8,1" << 9600 << Parity::None << 8 << Stop::One;
    QTest::newRow("port probe") << "115200,E,8,1" << 115200 << Parity::Even << 8 << Stop::One;
    QTest::newRow("lower case") << "4800,o,7,2" << 4800 << Parity::Odd << 7 << Stop::Two;
    QTest::newRow("mark, 1.5 stop") << "300,M,5,1.5" << 300 << Parity::Mark << 5 << Stop::OneAndHalf;
    QTest::newRow("space") << "1200,s,6,1" << 1200 << Parity::Space << 6 << Stop::One;
    QTest::newRow("blanks around") << " 9600 , N , 8 , 1 " << 9600 << Parity::None << 8 << Stop::One;
}

void TstLineSettings::wellFormed()
{
    QFETCH(QString, text);
    const auto s = LineSettings::parse(text);
    QVERIFY(s);
    QTEST(s->baudRate, "baud");
    QTEST(s->parity, "parity");
    QTEST(s->dataBits, "data");
    QTEST(s->stopBits, "stop");
}

void TstLineSettings::malformed_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("three parts") << "9600,N,8";
    QTest::newRow("five parts") << "9600,N,8,1,1";
    QTest::newRow("baud not a number") << "fast,N,8,1";
    QTest::newRow("baud zero") << "0,N,8,1";
    QTest::newRow("baud negative") << "-9600,N,8,1";
    QTest::newRow("baud fraction") << "9600.5,N,8,1";
    QTest::newRow("parity unknown") << "9600,X,8,1";
    QTest::newRow("parity word") << "9600,None,8,1";
    QTest::newRow("parity empty") << "9600,,8,1";
    QTest::newRow("4 data bits") << "9600,N,4,1";
    QTest::newRow("9 data bits") << "9600,N,9,1";
    QTest::newRow("3 stop bits") << "9600,N,8,3";
    QTest::newRow("0 stop bits") << "9600,N,8,0";
    QTest::newRow("stop 1.25") << "9600,N,8,1.25";
    QTest::newRow("semicolons") << "9600;N;8;1";
}

void TstLineSettings::malformed()
{
    QFETCH(QString, text);
    QVERIFY(!LineSettings::parse(text));
}

QTEST_GUILESS_MAIN(TstLineSettings)
#include "tst_linesettings.moc"

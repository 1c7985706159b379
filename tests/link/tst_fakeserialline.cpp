#include "support/FakeSerialLine.h"

#include <QSignalSpy>
#include <QtTest>

class TstFakeSerialLine : public QObject
{
    Q_OBJECT

private slots:
    void openOutcomes_data();
    void openOutcomes();
    void logsEveryCallInOrder();
    void injectedFailureWinsUntilLifted();
    void receiveEventsFollowTheThreshold();
    void gluedFramesGiveOneEventPerRead();
};

void TstFakeSerialLine::openOutcomes_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("code");
    QTest::newRow("exists") << 1 << 0;
    QTest::newRow("held") << 3 << int(SerialLine::ErrPortUnavailable);
    QTest::newRow("absent") << 2 << int(SerialLine::ErrInvalidPortNumber);
}

void TstFakeSerialLine::openOutcomes()
{
    QFETCH(int, port);
    FakeSerialLine line;
    line.setExistingPorts({1, 3, 4});
    line.setHeldPorts({3});
    QCOMPARE(line.setCommPort(port), 0);
    QTEST(line.setPortOpen(true), "code");
    QCOMPARE(line.portOpen(), port == 1);
}

void TstFakeSerialLine::logsEveryCallInOrder()
{
    FakeSerialLine line;
    line.setCommPort(1);
    line.setSettings(QStringLiteral("9600,N,8,1"));
    line.setRThreshold(37);
    line.setInputLen(37);
    line.setInBufferSize(37);
    line.setPortOpen(true);
    line.setPortOpen(true); // refused, still logged
    line.input();
    line.output(QByteArray(1, '\x06'));
    line.setBreak(true);
    line.setPortOpen(false);
    line.setSettings(QStringLiteral("bad"));
    QCOMPARE(line.log(), QStringList({"CommPort=1", "Settings=9600,N,8,1", "RThreshold=37",
                                      "InputLen=37", "InBufferSize=37", "Open", "Open", "Input",
                                      "Output=\x06", "Break=1", "Close", "Settings=bad"}));
    QCOMPARE(line.outputs(), QList<QByteArray>{QByteArray(1, '\x06')});
    QCOMPARE(line.settings(), QStringLiteral("9600,N,8,1"));
    QCOMPARE(line.inBufferSize(), 37);
}

void TstFakeSerialLine::injectedFailureWinsUntilLifted()
{
    FakeSerialLine line;
    line.failOn(QStringLiteral("Settings"), SerialLine::ErrSetCommState);
    line.failOn(QStringLiteral("Open"), SerialLine::ErrPortUnavailable);
    QCOMPARE(line.setSettings(QStringLiteral("4800,E,7,1")), int(SerialLine::ErrSetCommState));
    QCOMPARE(line.settings(), QStringLiteral("9600,N,8,1"));
    QCOMPARE(line.setPortOpen(true), int(SerialLine::ErrPortUnavailable));
    QVERIFY(!line.portOpen());
    QVERIFY(!line.lastErrorText().isEmpty());

    line.failOn(QStringLiteral("Open"), 0);
    QCOMPARE(line.setPortOpen(true), 0);
    QCOMPARE(line.output("x"), 0); // other operations unaffected
}

void TstFakeSerialLine::receiveEventsFollowTheThreshold()
{
    FakeSerialLine line;
    QSignalSpy events(&line, &SerialLine::commEvent);
    line.setRThreshold(16);
    line.setPortOpen(true);

    line.feed(QByteArray(10, 'a'));
    QCoreApplication::processEvents();
    QVERIFY(events.isEmpty());

    line.feed(QByteArray(6, 'b'));
    QVERIFY(events.isEmpty()); // never from inside feed()
    QVERIFY(events.wait(1000));
    QCOMPARE(events.count(), 1);
    QCOMPARE(events.at(0).at(0).toInt(), int(SerialLine::EvReceive));
    QCOMPARE(line.input(), QByteArray(10, 'a') + QByteArray(6, 'b'));

    line.setRThreshold(0);
    line.feed(QByteArray(20, 'c'));
    QCoreApplication::processEvents();
    QCOMPARE(events.count(), 1);
}

void TstFakeSerialLine::gluedFramesGiveOneEventPerRead()
{
    FakeSerialLine line;
    line.setRThreshold(15);
    line.setInputLen(15);
    line.setPortOpen(true);
    QList<QByteArray> chunks;
    connect(&line, &SerialLine::commEvent, this, [&] { chunks.append(line.input()); });

    line.feed(QByteArray(15, '1') + QByteArray(15, '2') + QByteArray(5, '3'));
    QTRY_COMPARE(chunks.size(), 2);
    QCOMPARE(chunks, (QList<QByteArray>{QByteArray(15, '1'), QByteArray(15, '2')}));
    QCOMPARE(line.inBufferCount(), 5);
    QCoreApplication::processEvents();
    QCOMPARE(chunks.size(), 2); // the 5 left are below the threshold
}

QTEST_GUILESS_MAIN(TstFakeSerialLine)
#include "tst_fakeserialline.moc"

#include "link/ReceiveThreshold.h"

#include <QSignalSpy>
#include <QtTest>

// When the receive event comes: at once for data the port announced, from a
// later turn of the event loop for data a read left behind (never from
// inside the read), and only with the threshold's bytes waiting.
class TstReceiveThreshold : public QObject
{
    Q_OBJECT

private slots:
    void eventFollowsTheCall_data();
    void eventFollowsTheCall();
};

void TstReceiveThreshold::eventFollowsTheCall_data()
{
    QTest::addColumn<int>("threshold");
    QTest::addColumn<qint64>("waiting");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<int>("atOnce");
    QTest::addColumn<int>("afterTheLoop");
    const QStringList arrived{"arrived"};
    const QStringList poked{"poke"};
    QTest::newRow("arrived, a frame waits") << 16 << qint64(16) << arrived << 1 << 1;
    QTest::newRow("arrived, less than a frame") << 16 << qint64(15) << arrived << 0 << 0;
    QTest::newRow("arrived, threshold off") << 0 << qint64(100) << arrived << 0 << 0;
    QTest::newRow("left behind by a read") << 16 << qint64(40) << poked << 0 << 1;
    QTest::newRow("left behind twice: one event") << 16 << qint64(40) << QStringList{"poke", "poke"} << 0 << 1;
    QTest::newRow("arrived while a look waits") << 16 << qint64(16) << QStringList{"poke", "arrived"} << 1 << 2;
}

void TstReceiveThreshold::eventFollowsTheCall()
{
    QFETCH(int, threshold);
    QFETCH(qint64, waiting);
    QFETCH(QStringList, calls);
    ReceiveThreshold rule([waiting] { return waiting; });
    rule.setThreshold(threshold);
    QSignalSpy reached(&rule, &ReceiveThreshold::reached);
    for (const QString &call : calls)
        call == QLatin1String("arrived") ? rule.arrived() : rule.poke();
    QTEST(int(reached.size()), "atOnce");
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QTEST(int(reached.size()), "afterTheLoop");
}

QTEST_GUILESS_MAIN(TstReceiveThreshold)
#include "tst_receivethreshold.moc"

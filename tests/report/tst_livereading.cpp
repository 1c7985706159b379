#include "report/LiveReading.h"

#include <QTest>

// The big display's reading: its text, unit and stability, and the silence
// after which it shows that no data comes.
class TestLiveReading : public QObject
{
    Q_OBJECT

    static ScaleReading reading(const char *status, const char *weight)
    {
        ScaleReading r;
        r.status = QLatin1String(status);
        r.weight = QLatin1String(weight);
        r.unit = QStringLiteral("kg");
        return r;
    }

private slots:
    void showsTheLatestReading_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("weight");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("stable");
        QTest::newRow("stable") << "S" << "  12.500" << "12,500" << true;
        QTest::newRow("unstable") << "U" << "  12.510" << "12,510" << false;
        QTest::newRow("negative") << "S" << "-  0.250" << "-0,250" << true;
        QTest::newRow("no number") << "S" << " --.---" << "--.---" << true;
    }
    void showsTheLatestReading()
    {
        QFETCH(QString, status);
        QFETCH(QString, weight);
        QFETCH(QString, shown);
        QFETCH(bool, stable);
        LiveReading live;
        QVERIFY(!live.hasReading());
        live.decoded(reading(status.toLatin1(), weight.toLatin1()), 0);
        QVERIFY(live.hasReading());
        QCOMPARE(live.weight(), shown);
        QCOMPARE(live.unit(), QStringLiteral("kg"));
        QCOMPARE(live.stable(), stable);
    }

    void noDataAfterTwoSecondsOfSilenceWhileReceiving()
    {
        LiveReading live;
        live.receptionStarted(10000);
        QVERIFY(!live.noData(true, 11999));
        QVERIFY(live.noData(true, 12000));
        QVERIFY(!live.noData(false, 50000)); // reception off: nothing is awaited
        live.decoded(reading("S", "1"), 12500);
        QVERIFY(!live.noData(true, 14000));
        QVERIFY(live.noData(true, 14500));
    }
};

QTEST_GUILESS_MAIN(TestLiveReading)
#include "tst_livereading.moc"

#include "widgets/RepaintThrottle.h"

#include <QElapsedTimer>
#include <QTest>
#include <QWidget>

// Widgets that wait to show at the same time show together, in one repaint
// of their window, and never sooner than their interval after they last
// showed; widgets whose waits lie far apart show apart.
class TestRepaintThrottle : public QObject
{
    Q_OBJECT

    static constexpr int Interval = 200;

    struct Shown {
        QWidget widget;
        QList<qint64> times; // ms
    };

private slots:
    void waitingWidgetsShowTogether_data()
    {
        QTest::addColumn<int>("secondStartsMs"); // after the first showed
        QTest::addColumn<bool>("together");
        QTest::newRow("a little later") << 80 << true;
        QTest::newRow("half an interval later") << 95 << true;
        QTest::newRow("much later") << 150 << false;
    }
    void waitingWidgetsShowTogether()
    {
        QFETCH(int, secondStartsMs);
        QFETCH(bool, together);
        QElapsedTimer clock;
        clock.start();
        Shown a, b;
        RepaintThrottle first(a.widget, Interval, [&] { a.times << clock.elapsed(); });
        RepaintThrottle second(b.widget, Interval, [&] { b.times << clock.elapsed(); },
                               RepaintThrottle::Held::Nothing);
        a.widget.show();
        b.widget.show();

        first.changed(); // after a quiet spell: at once
        QTest::qWait(secondStartsMs);
        second.changed();
        QTest::qWait(10);
        QCOMPARE(a.times.size(), 1);
        QCOMPARE(b.times.size(), 1);
        first.changed();
        second.changed();
        QVERIFY(!a.widget.updatesEnabled()); // held while it waits
        QVERIFY(b.widget.updatesEnabled());  // nothing held

        QTRY_VERIFY_WITH_TIMEOUT(a.times.size() == 2 && b.times.size() == 2, 2000);
        QVERIFY(a.widget.updatesEnabled());
        // As Qt keeps a coarse timer, a twentieth of the interval early at most.
        QVERIFY2(a.times[1] - a.times[0] >= Interval * 19 / 20, qPrintable(QString::number(a.times[1] - a.times[0])));
        QVERIFY2(b.times[1] - b.times[0] >= Interval * 19 / 20, qPrintable(QString::number(b.times[1] - b.times[0])));
        const qint64 apart = std::abs(a.times[1] - b.times[1]);
        if (together)
            QVERIFY2(apart <= 5, qPrintable(QStringLiteral("%1 ms apart").arg(apart)));
        else
            QVERIFY2(apart >= Interval / 4, qPrintable(QStringLiteral("%1 ms apart").arg(apart)));
    }

    // A throttle destroyed while others wait leaves them showing.
    void destroyedWhileWaiting()
    {
        Shown a;
        RepaintThrottle first(a.widget, Interval, [&] { a.times << 0; });
        {
            QWidget other;
            RepaintThrottle second(other, Interval, nullptr);
            second.changed();
            second.changed();
            first.changed();
            first.changed();
        }
        QTRY_COMPARE_WITH_TIMEOUT(a.times.size(), 2, 2000);
    }
};

QTEST_MAIN(TestRepaintThrottle)
#include "tst_repaintthrottle.moc"

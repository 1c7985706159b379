#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"
#include "report/WeightSeries.h"

#include <QDateTime>
#include <QTest>

// The chart's data: weights against time per unit, decimated to a lowest and
// a highest point per column, following recordings and deletions.
class TestWeightSeries : public QObject
{
    Q_OBJECT

    static void add(JournalGrid &grid, const QString &weight, const QString &time, const QString &unit = "kg")
    {
        grid.AddItem(QStringLiteral("%1\t%1\t%2\t%3\tS\t%4\t").arg(grid.Rows()).arg(weight, unit, time));
    }
    static double ms(int second) { return double(QDateTime(QDate(2026, 12, 7), QTime(10, 0, second)).toMSecsSinceEpoch()); }
    static QString at(int second) { return QStringLiteral("07.12.2026 10:00:%1").arg(second, 2, 10, QLatin1Char('0')); }

private slots:
    void minAndMaxPerColumnInOrder()
    {
        JournalGrid grid;
        JournalLayout::apply(JournalLayout::weighing(), grid);
        WeightSeries series(grid);
        // Two columns of 0..9 s and 10..19 s.
        const int weights[] = {5, 9, 1, 4, 4, 2, 8, 3, 3, 3};
        for (int i = 0; i < 10; ++i)
            add(grid, QString::number(weights[i]), at(i * 2));
        QVERIFY(series.byTime());
        const QVector<QPointF> p = series.decimated(0, ms(0), ms(19), 2);
        QCOMPARE(p, (QVector<QPointF>{{ms(2), 9}, {ms(4), 1}, {ms(10), 2}, {ms(12), 8}}));
        // A narrower range keeps the nearest rows outside it.
        const QVector<QPointF> mid = series.decimated(0, ms(6), ms(8), 1);
        QCOMPARE(mid, (QVector<QPointF>{{ms(4), 1}, {ms(6), 4}, {ms(10), 2}}));
        QCOMPARE(series.bounds(), QRectF(QPointF(ms(0), 1), QPointF(ms(18), 9)));
    }

    void unitsApartAndRowsWithoutNumbersOrTimes()
    {
        JournalGrid grid;
        JournalLayout::apply(JournalLayout::weighing(), grid);
        WeightSeries series(grid);
        add(grid, "1.5", at(1), "kg");
        add(grid, "300", at(2), "g");
        add(grid, "--.--", at(3), "kg");
        add(grid, "2.5", "не время", "kg"); // placed at the time before it
        QCOMPARE(series.units(), (QStringList{"kg", "g"}));
        QCOMPARE(series.decimated(0, ms(0), ms(10), 100), (QVector<QPointF>{{ms(1), 1.5}, {ms(3), 2.5}}));
        QCOMPARE(series.decimated(1, ms(0), ms(10), 100), (QVector<QPointF>{{ms(2), 300}}));
    }

    void byRowNumberWithoutTimes()
    {
        JournalGrid grid;
        JournalLayout::apply(JournalLayout::weighing(), grid);
        WeightSeries series(grid);
        for (const char *w : {"1", "2", "3"})
            add(grid, QLatin1String(w), QString());
        QVERIFY(!series.byTime());
        QCOMPARE(series.decimated(0, 1, 3, 10), (QVector<QPointF>{{1, 1}, {2, 2}, {3, 3}}));
    }

    void followsDeletionsAndLoads()
    {
        JournalGrid grid;
        JournalLayout::apply(JournalLayout::weighing(), grid);
        WeightSeries series(grid);
        for (int i = 0; i < 4; ++i)
            add(grid, QString::number(i + 1), at(i));
        grid.RemoveItems(2, 2);
        QCOMPARE(series.decimated(0, ms(0), ms(3), 10), (QVector<QPointF>{{ms(0), 1}, {ms(3), 4}}));
        JournalLayout::apply(JournalLayout::counting(), grid);
        QVERIFY(series.bounds().isNull());
        grid.addItems({QStringLiteral("1\t1\t7\tkg\tS\t1\t7\t%1\t").arg(at(5))});
        QCOMPARE(series.decimated(0, ms(0), ms(9), 10), (QVector<QPointF>{{ms(5), 7}}));
    }
};

QTEST_GUILESS_MAIN(TestWeightSeries)
#include "tst_weightseries.moc"

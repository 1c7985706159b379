#include "journal/GridSnapshot.h"

#include "support/EditingJournal.h"

#include <QTest>

// The journal copied into a caller's array, [data column][row].
class TestGridSnapshot : public QObject
{
    Q_OBJECT

private slots:
    void weighingJournalOfThreeRows()
    {
        EditingJournal j(3);
        j.grid.setTextMatrix(2, j.noteCol(), QString());
        j.grid.setCurrentCell(2, 3);
        j.grid.setSelectionCorner(3, 4);
        GridArray arr(2, QVector<std::optional<QString>>(9, QStringLiteral("old")));

        SaveGridDataToArr(j.grid, arr);

        QCOMPARE(arr.size(), 7);
        for (int k = 0; k < 7; ++k) {
            QCOMPARE(arr[k].size(), 4);
            for (int r = 0; r < 4; ++r) {
                if (k == 6 || r == 0)
                    QVERIFY2(!arr[k][r].has_value(), qPrintable(QStringLiteral("(%1, %2)").arg(k).arg(r)));
                else
                    QCOMPARE(arr[k][r], std::optional<QString>(j.grid.TextMatrix(r, k + 1)));
            }
        }
        QCOMPARE(arr[0][3], std::optional<QString>(QStringLiteral("3")));
        QCOMPARE(arr[1][1], std::optional<QString>(QStringLiteral("Weight 1")));
        QVERIFY(arr[5][2].has_value() && arr[5][2]->isEmpty()); // an empty note is an empty text
        QCOMPARE(arr[5][3], std::optional<QString>(QStringLiteral("note 3")));
        QCOMPARE(j.grid.Row(), 2);
        QCOMPARE(j.grid.RowSel(), 3);
        QCOMPARE(j.grid.ColSel(), 4);
    }

    void emptyJournal()
    {
        EditingJournal j(0, JournalLayout::counting());
        GridArray arr;
        SaveGridDataToArr(j.grid, arr);
        QCOMPARE(arr.size(), 9);
        for (const auto &column : arr)
            QCOMPARE(column, QVector<std::optional<QString>>(1));
    }
};

QTEST_GUILESS_MAIN(TestGridSnapshot)
#include "tst_gridsnapshot.moc"

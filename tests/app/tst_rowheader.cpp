#include "widgets/RowHeader.h"

#include <QStandardItemModel>
#include <QTest>

// Rows that come, wherever they go, are counted and placed at once, without
// a turn of the event loop for the header; rows that are not all alike (one
// hidden, one sized apart) still move as Qt moves them.
class TestRowHeader : public QObject
{
    Q_OBJECT

    static constexpr int Height = 20;
    static constexpr int Tall = 40;

    struct Timers : QObject {
        int seen = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            seen += event->type() == QEvent::Timer;
            return false;
        }
    };

private slots:
    void rowsComeAnywhere_data()
    {
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("hidden"); // a row hidden before, -1: none
        QTest::addColumn<int>("tall");   // a row sized apart before, -1: none
        QTest::newRow("one at the top") << 0 << 1 << -1 << -1;
        QTest::newRow("three in the middle") << 2 << 3 << -1 << -1;
        QTest::newRow("one at the end") << 5 << 1 << -1 << -1;
        QTest::newRow("at the top, a row hidden below") << 0 << 2 << 3 << -1;
        QTest::newRow("at the top, a row sized apart below") << 0 << 1 << -1 << 1;
    }
    void rowsComeAnywhere()
    {
        QFETCH(int, at);
        QFETCH(int, rows);
        QFETCH(int, hidden);
        QFETCH(int, tall);
        QStandardItemModel model(5, 1);
        RowHeader header;
        header.setSectionResizeMode(QHeaderView::Fixed);
        header.setDefaultSectionSize(Height);
        header.setModel(&model);
        if (hidden >= 0)
            header.hideSection(hidden);
        if (tall >= 0)
            header.resizeSection(tall, Tall);
        Timers timers;
        header.installEventFilter(&timers);

        model.insertRows(at, rows);
        QCOMPARE(header.count(), 5 + rows);
        const auto moved = [&](int row) { return row < 0 || row < at ? row : row + rows; };
        int position = 0;
        for (int row = 0; row < header.count(); ++row) {
            QCOMPARE(header.isSectionHidden(row), row == moved(hidden));
            QCOMPARE(header.sectionPosition(row), position);
            position += row == moved(hidden) ? 0 : row == moved(tall) ? Tall : Height;
        }
        QCoreApplication::processEvents();
        if (hidden < 0 && tall < 0)
            QCOMPARE(timers.seen, 0);
    }

    void leavesAModelItNoLongerShows()
    {
        QStandardItemModel first(3, 1);
        QStandardItemModel second(2, 1);
        RowHeader header;
        header.setSectionResizeMode(QHeaderView::Fixed);
        header.setModel(&first);
        header.setModel(&second);
        first.insertRows(0, 4);
        QCOMPARE(header.count(), 2);
        second.insertRows(0, 1);
        QCOMPARE(header.count(), 3);
    }
};

QTEST_MAIN(TestRowHeader)
#include "tst_rowheader.moc"

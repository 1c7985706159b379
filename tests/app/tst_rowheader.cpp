#include "widgets/RowHeader.h"

#include <QStandardItemModel>
#include <QTest>

// Rows that come, wherever they go, are counted and placed at once, without
// a turn of the event loop for the header; a header whose rows are not all
// alike (one hidden) still moves them as Qt does.
class TestRowHeader : public QObject
{
    Q_OBJECT

    static constexpr int Height = 20;

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
        QTest::addColumn<int>("hidden"); // a hidden row before, -1: none
        QTest::newRow("one at the top") << 0 << 1 << -1;
        QTest::newRow("three in the middle") << 2 << 3 << -1;
        QTest::newRow("one at the end") << 5 << 1 << -1;
        QTest::newRow("at the top, a row hidden below") << 0 << 2 << 3;
    }
    void rowsComeAnywhere()
    {
        QFETCH(int, at);
        QFETCH(int, rows);
        QFETCH(int, hidden);
        QStandardItemModel model(5, 1);
        RowHeader header;
        header.setSectionResizeMode(QHeaderView::Fixed);
        header.setDefaultSectionSize(Height);
        header.setModel(&model);
        if (hidden >= 0)
            header.hideSection(hidden);
        Timers timers;
        header.installEventFilter(&timers);

        model.insertRows(at, rows);
        QCOMPARE(header.count(), 5 + rows);
        const int shownAfter = hidden < 0 ? -1 : hidden + (at <= hidden ? rows : 0);
        for (int row = 0; row < header.count(); ++row)
            QCOMPARE(header.isSectionHidden(row), row == shownAfter);
        const int last = header.count() - 1;
        QCOMPARE(header.sectionPosition(last), (last - (hidden < 0 ? 0 : 1)) * Height);
        QCoreApplication::processEvents();
        if (hidden < 0)
            QCOMPARE(timers.seen, 0);
    }
};

QTEST_MAIN(TestRowHeader)
#include "tst_rowheader.moc"

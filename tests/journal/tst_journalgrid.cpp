#include "common/AnsiText.h"
#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"
#include "common/AnsiText.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

// The journal grid as the rest of the program uses it: rows, cells, the
// current cell with its events, and the two layouts.
class TestJournalGrid : public QObject
{
    Q_OBJECT

    // Records "leave r,c" / "enter r,c" in the order the events come.
    static QStringList *trackEvents(JournalGrid &grid)
    {
        auto *log = new QStringList;
        QObject::connect(&grid, &JournalGrid::LeaveCell, &grid, [&grid, log] {
            log->append(QStringLiteral("leave %1,%2").arg(grid.Row()).arg(grid.Col()));
        });
        QObject::connect(&grid, &JournalGrid::EnterCell, &grid, [&grid, log] {
            log->append(QStringLiteral("enter %1,%2").arg(grid.Row()).arg(grid.Col()));
        });
        return log;
    }

    static void weighingJournal(JournalGrid &grid, int rows)
    {
        JournalLayout::apply(JournalLayout::weighing(), grid);
        for (int i = 1; i <= rows; ++i)
            grid.AddItem(QStringLiteral("%1\t%1\t1,000\tkg\tS\t07.12.2026 10:00:00\tnote %1").arg(i));
    }

private slots:
    void layouts_data()
    {
        QTest::addColumn<int>("previous");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("cols");
        QTest::newRow("0") << -1 << 0 << 7;
        QTest::newRow("1") << -1 << 1 << 7;
        QTest::newRow("2") << -1 << 2 << 9;
        QTest::newRow("3 weighs between 2 and 4") << -1 << 3 << 7;
        QTest::newRow("4") << -1 << 4 << 9;
        QTest::newRow("5") << -1 << 5 << 9;
        QTest::newRow("7 after 2 keeps counting") << 2 << 7 << 9;
        QTest::newRow("7 after 1 keeps weighing") << 1 << 7 << 7;
        QTest::newRow("-1 before any build") << -1 << -1 << 7;
    }

    void layouts()
    {
        QFETCH(int, previous);
        QFETCH(int, type);
        QFETCH(int, cols);
        JournalGrid grid;
        QVector<JournalColumn> columns;
        if (previous >= 0)
            columns = JournalLayout::forType(previous, columns);
        grid.AddItem(QStringLiteral("x"));
        JournalLayout::apply(JournalLayout::forType(type, columns), grid);
        QCOMPARE(grid.Cols(), cols);
        QCOMPARE(grid.Rows(), 1);
        QCOMPARE(grid.Row(), 0);
        QCOMPARE(grid.Col(), 0);
        QCOMPARE(grid.TextMatrix(0, 0), QString());
        QCOMPARE(grid.ColWidth(0), 500);
        QCOMPARE(grid.TextMatrix(0, cols - 1), QStringLiteral("Примечание"));
    }

    void captionsWidthsAlignment()
    {
        JournalGrid grid;
        JournalLayout::apply(JournalLayout::counting(), grid);
        const QStringList captions = {"№ п.п ", "Вес ", "Ед. изм.", "Статус", "Колич. ", "Вес 1 шт. ", "Время", "Примечание"};
        const QList<int> widths = {900, 800, 1000, 1000, 1000, 1200, 1600, 2000};
        const QList<bool> right = {true, false, false, true, true, true, true, true};
        for (int c = 1; c < grid.Cols(); ++c) {
            QCOMPARE(grid.TextMatrix(0, c), captions[c - 1]);
            QCOMPARE(grid.headerData(c - 1, Qt::Horizontal, Qt::DisplayRole).toString(), captions[c - 1]);
            QCOMPARE(grid.ColWidth(c), widths[c - 1]);
            QCOMPARE(grid.ColRightAligned(c), right[c - 1]);
        }
        JournalLayout::apply(JournalLayout::weighing(), grid);
        QVERIFY(grid.ColRightAligned(2));
        QVERIFY(grid.ColRightAligned(3));
        QCOMPARE(grid.columnWithCaption(QStringLiteral("Примечание")), 6);
        QCOMPARE(grid.columnWithCaption(QStringLiteral("Колич. ")), -1);
    }

    void addItemShapesRow_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("exact") << "1\ta\tb\tc\td\te\tf" << QStringList{"1", "a", "b", "c", "d", "e", "f"};
        QTest::newRow("extra fields dropped") << "1\ta\tb\tc\td\te\tf\tg\th" << QStringList{"1", "a", "b", "c", "d", "e", "f"};
        QTest::newRow("missing fields empty") << "1\ta" << QStringList{"1", "a", "", "", "", "", ""};
        QTest::newRow("empty line") << "" << QStringList{"", "", "", "", "", "", ""};
        QTest::newRow("line breaks become blanks") << "1\ta\r\nb" << QStringList{"1", "a  b", "", "", "", "", ""};
        QTest::newRow("outside the code page") << "1\t2×3 ✓\tб" << QStringList{"1", "2×3 ✓", "б", "", "", "", ""};
    }

    void addItemShapesRow()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, cells);
        JournalGrid grid;
        JournalLayout::apply(JournalLayout::weighing(), grid);
        grid.AddItem(line);
        QCOMPARE(grid.Rows(), 2);
        QStringList got;
        for (int c = 0; c < grid.Cols(); ++c)
            got << grid.TextMatrix(1, c);
        QCOMPARE(got, cells);
        // The file's line has the code page's characters, the text every one.
        QCOMPARE(grid.dataCells(1).toString(), AnsiText::decode(AnsiText::encode(cells.mid(1).join(QLatin1Char('\t')))));
        QCOMPARE(grid.dataText(1), cells.mid(1).join(QLatin1Char('\t')));
        QCOMPARE(grid.headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), cells[0]);
    }

    // A data cell's change is announced while the old text can still be
    // read; captions and the position column are no data cells.
    void cellChangeAnnounced()
    {
        JournalGrid grid;
        weighingJournal(grid, 2);
        QStringList seen;
        connect(&grid, &JournalGrid::cellAboutToChange, this, [&](int row, int col) {
            seen << QStringLiteral("before %1,%2: %3").arg(row).arg(col).arg(grid.TextMatrix(row, col));
        });
        connect(&grid, &QAbstractItemModel::dataChanged, this, [&](const QModelIndex &at) {
            seen << QStringLiteral("after: ") + grid.TextMatrix(JournalGrid::gridRow(at), JournalGrid::gridCol(at));
        });
        grid.setTextMatrix(2, 6, QStringLiteral("поддон"));
        grid.setTextMatrix(2, 0, QStringLiteral("9"));
        grid.setTextMatrix(0, 6, QStringLiteral("Заметка"));
        QCOMPARE(seen, (QStringList{QStringLiteral("before 2,6: note 2"), QStringLiteral("after: поддон")}));
    }

    void cellsNeverHoldSeparators()
    {
        JournalGrid grid;
        weighingJournal(grid, 2);
        grid.setTextMatrix(1, 6, QStringLiteral("a\tb\rc\nd"));
        QCOMPARE(grid.TextMatrix(1, 6), QStringLiteral("a b c d"));
        QCOMPARE(grid.TextMatrix(1, 5), QStringLiteral("07.12.2026 10:00:00"));
        grid.setTextMatrix(2, 1, QString());
        QCOMPARE(grid.TextMatrix(2, 1), QString());
        QCOMPARE(grid.TextMatrix(2, 2), QStringLiteral("1,000"));
        QCOMPARE(grid.TextMatrix(9, 1), QString()); // outside the grid
    }

    void lastJournalRowStays()
    {
        JournalGrid grid;
        weighingJournal(grid, 2);
        QVERIFY(!grid.RemoveItem(0));
        QVERIFY(grid.RemoveItem(1));
        QCOMPARE(grid.TextMatrix(1, 6), QStringLiteral("note 2"));
        QVERIFY(!grid.RemoveItem(1));
        QCOMPARE(grid.Rows(), 2);
        grid.setRows(1); // the row count itself may drop to the header row
        QCOMPARE(grid.Rows(), 1);
    }

    void cellEvents()
    {
        JournalGrid grid;
        weighingJournal(grid, 3);
        std::unique_ptr<QStringList> log(trackEvents(grid));
        grid.setCurrentCell(2, 6);
        grid.setCurrentCell(2, 6); // the same cell: no events
        grid.setCurrentCell(3, 1);
        QCOMPARE(*log, (QStringList{"leave 0,0", "enter 2,6", "leave 2,6", "enter 3,1"}));
        QCOMPARE(grid.RowSel(), 3);

        log->clear();
        grid.setSelectionCorner(1, 6); // extends, raises nothing
        QCOMPARE(grid.Row(), 3);
        QCOMPARE(grid.RowSel(), 1);
        QVERIFY(log->isEmpty());

        grid.RemoveItem(3); // the current row goes: events, current clamped
        QCOMPARE(*log, (QStringList{"leave 3,1", "enter 2,1"}));
        log->clear();
        grid.RemoveItem(1); // a row above the current one: the current cell changes too
        QCOMPARE(*log, (QStringList{"leave 2,1", "enter 1,1"}));
        log->clear();
        grid.AddItem(QStringLiteral("9")); // appending leaves the current cell alone
        QVERIFY(log->isEmpty());
    }

    void removeItemsInOneStep()
    {
        JournalGrid grid;
        weighingJournal(grid, 6);
        grid.setCurrentCell(5, 2);
        std::unique_ptr<QStringList> log(trackEvents(grid));
        QCOMPARE(grid.RemoveItems(2, 3), 3);
        QCOMPARE(*log, (QStringList{"leave 5,2", "enter 3,2"})); // clamped to the last row
        QCOMPARE(grid.TextMatrix(1, 6), QStringLiteral("note 1"));
        QCOMPARE(grid.TextMatrix(2, 6), QStringLiteral("note 5"));
        log->clear();
        QCOMPARE(grid.RemoveItems(1, 9), 2); // the last journal row stays
        QCOMPARE(grid.TextMatrix(1, 6), QStringLiteral("note 6"));
        QCOMPARE(grid.RemoveItems(1, 1), 0);
        QCOMPARE(grid.Rows(), 2);
    }

    // The operator's selected block stays through recorded rows made
    // current, moves up with rows removed above it and falls back onto the
    // current cell when its own rows go.
    void selectedBlockOutlivesRecordedRows()
    {
        JournalGrid grid;
        weighingJournal(grid, 8);
        grid.setCurrentCell(5, 1);
        grid.setSelectionCorner(6, 3);
        grid.AddItem(QStringLiteral("9\t9"));
        grid.followNewRow(9);
        QCOMPARE(grid.Row(), 9);
        QCOMPARE(grid.RowSel(), 9);
        auto block = grid.selectedBlock();
        QCOMPARE((QList<int>{block.row, block.col, block.rowSel, block.colSel}), (QList<int>{5, 1, 6, 3}));
        grid.RemoveItems(1, 2);
        block = grid.selectedBlock();
        QCOMPARE((QList<int>{block.row, block.rowSel}), (QList<int>{3, 4}));
        grid.RemoveItem(4);
        block = grid.selectedBlock();
        QCOMPARE((QList<int>{block.row, block.rowSel}), (QList<int>{grid.Row(), grid.RowSel()}));
        grid.setCurrentCell(2, 2); // the operator's own move takes the block along
        block = grid.selectedBlock();
        QCOMPARE((QList<int>{block.row, block.col, block.rowSel, block.colSel}), (QList<int>{2, 2, 2, 2}));
    }

    void setRowsAddsEmptyRows()
    {
        JournalGrid grid;
        weighingJournal(grid, 1);
        grid.setRows(3);
        QCOMPARE(grid.Rows(), 3);
        QCOMPARE(grid.TextMatrix(3 - 1, 1), QString());
        QCOMPARE(grid.TextMatrix(1, 1), QStringLiteral("1"));
    }

    void clearKeepsShape()
    {
        JournalGrid grid;
        weighingJournal(grid, 2);
        grid.Clear();
        QCOMPARE(grid.Rows(), 3);
        QCOMPARE(grid.TextMatrix(1, 1), QString());
        QCOMPARE(grid.TextMatrix(0, 1), QString());
    }

    void colsKeepText()
    {
        JournalGrid grid;
        weighingJournal(grid, 1);
        grid.setCols(9);
        QCOMPARE(grid.TextMatrix(1, 6), QStringLiteral("note 1"));
        QCOMPARE(grid.TextMatrix(1, 8), QString());
        grid.setCols(3);
        QCOMPARE(grid.TextMatrix(1, 2), QStringLiteral("1,000"));
        QCOMPARE(grid.columnCount(), 2);
    }

    // The cells handed as the file's bytes are those data() shows, whatever
    // order the columns are asked in; a row kept as text is handed none.
    void encodedCellsAreTheShownCells_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("asText");
        QTest::newRow("every cell") << QStringLiteral("1\t1\t  12,5\tкг\tS\t07.12.2026 10:00:00\tпартия №5") << false;
        QTest::newRow("cells missing") << QStringLiteral("1\t1\t3") << false;
        QTest::newRow("empty cells") << QStringLiteral("1\t\t\t\t\t\t") << false;
        QTest::newRow("a cell longer than is shown")
            << QStringLiteral("1\t1\t%1\tkg").arg(QString(JournalGrid::MaxShownLength + 5, QLatin1Char('7'))) << false;
        QTest::newRow("the unassigned byte and a no-break space") << QStringLiteral("1\t1\t\u00A02\t\u0098") << false;
        QTest::newRow("a character the code page has not") << QStringLiteral("1\t1\t4\tkg\tS\tt\t✓") << true;
    }
    void encodedCellsAreTheShownCells()
    {
        QFETCH(QString, row);
        QFETCH(bool, asText);
        JournalGrid grid;
        weighingJournal(grid, 0);
        grid.AddItem(row);
        grid.AddItem(QStringLiteral("2\t2\t9\tg\tS\tt\tnext"));
        const int columns[] = {5, -1, 1, 0, 2, 3, 4};
        const int count = int(std::size(columns));
        QByteArrayView cells[count];
        QCOMPARE(grid.encodedCells(0, columns, cells, count), !asText);
        if (asText)
            return;
        for (int k = 0; k < count; ++k) {
            const QString shown =
                columns[k] < 0 ? QString() : grid.data(grid.index(0, columns[k]), Qt::DisplayRole).toString();
            QCOMPARE(cells[k].toByteArray(), AnsiText::encode(shown));
        }
    }

    void modelIsConsistent()
    {
        JournalGrid grid;
        QAbstractItemModelTester tester(&grid, QAbstractItemModelTester::FailureReportingMode::QtTest);
        weighingJournal(grid, 5);
        grid.RemoveItem(2);
        grid.setRows(10);
        grid.setRows(2);
        JournalLayout::apply(JournalLayout::counting(), grid);
        grid.addItems({QStringLiteral("1\ta"), QStringLiteral("2\tb")});
        QCOMPARE(grid.rowCount(), 2);
        QCOMPARE(grid.data(grid.indexOf(2, 1), Qt::DisplayRole).toString(), QStringLiteral("b"));
        QCOMPARE(grid.data(grid.indexOf(2, 2), Qt::TextAlignmentRole).toInt(), int(Qt::AlignLeft | Qt::AlignVCenter));
    }
};

QTEST_GUILESS_MAIN(TestJournalGrid)
#include "tst_journalgrid.moc"

#include "journal/RowOperations.h"

#include "support/EditingJournal.h"
#include "support/FakeUserMessages.h"

#include <QSignalSpy>
#include <QTest>

using Answer = UserMessages::Answer;

// Deleting the selected block of rows and renumbering the rest.
class TestRowOperations : public QObject
{
    Q_OBJECT

    static QStringList column(const JournalGrid &grid, int col)
    {
        QStringList cells;
        for (int r = 1; r < grid.Rows(); ++r)
            cells << grid.TextMatrix(r, col);
        return cells;
    }

    static QStringList positions(int rows)
    {
        QStringList numbers;
        for (int r = 1; r <= rows; ++r)
            numbers << QString::number(r);
        return numbers;
    }

private slots:
    void deleteSelectedRows_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("rowSel");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QStringList>("nomPP");
        QTest::addColumn<bool>("nothingSelected");
        const QStringList all{"1", "2", "3", "4", "5"};
        QTest::newRow("rows 2-4 top-down") << 5 << 2 << 4 << Answer::Yes << QStringList{"1", "5"} << false;
        QTest::newRow("rows 2-4 bottom-up") << 5 << 4 << 2 << Answer::Yes << QStringList{"1", "5"} << false;
        QTest::newRow("one row of five") << 5 << 3 << 3 << Answer::Yes << QStringList{"1", "2", "4", "5"} << false;
        QTest::newRow("the last row") << 5 << 5 << 5 << Answer::Yes << QStringList{"1", "2", "3", "4"} << false;
        QTest::newRow("all rows top-down") << 5 << 1 << 5 << Answer::Yes << QStringList{""} << false;
        QTest::newRow("all rows bottom-up") << 5 << 5 << 1 << Answer::Yes << QStringList{""} << false;
        QTest::newRow("a journal of one row") << 1 << 1 << 1 << Answer::Yes << QStringList{""} << false;
        QTest::newRow("header current") << 5 << 0 << 0 << Answer::Yes << all << true;
        QTest::newRow("selection reaching the header") << 5 << 3 << 0 << Answer::Yes << all << true;
        QTest::newRow("answered No") << 5 << 2 << 4 << Answer::No << all << false;
    }

    void deleteSelectedRows()
    {
        QFETCH(int, rows);
        QFETCH(int, row);
        QFETCH(int, rowSel);
        QFETCH(Answer, answer);
        QFETCH(QStringList, nomPP);
        QFETCH(bool, nothingSelected);
        EditingJournal j(rows);
        FakeUserMessages messages;
        messages.answer({answer});
        RowOperations operations(j.grid, messages, j.notes);
        QSignalSpy deleted(&operations, &RowOperations::rowsDeleted);
        j.grid.setCurrentCell(row, 2);
        j.grid.setSelectionCorner(rowSel, j.noteCol());
        const bool flagBefore = j.notes.skipCommit();

        operations.DeleteSelectedRows();

        QCOMPARE(messages.messages().size(), nothingSelected ? 2 : 1);
        const FakeUserMessages::Message &ask = messages.messages()[0];
        QCOMPARE(ask.text, QStringLiteral("Удалить выделенные строки ?"));
        QCOMPARE(ask.title, QStringLiteral("Удаление"));
        QCOMPARE(ask.buttons, UserMessages::Buttons::YesNo);
        QCOMPARE(ask.icon, UserMessages::Icon::Question);
        if (nothingSelected) {
            const FakeUserMessages::Message &tell = messages.messages()[1];
            QCOMPARE(tell.text, QStringLiteral("Выделите строки для удаления!"));
            QCOMPARE(tell.title, QStringLiteral("Tarovik_RS232"));
            QCOMPARE(tell.buttons, UserMessages::Buttons::Ok);
            QCOMPARE(tell.icon, UserMessages::Icon::None);
        }
        QCOMPARE(column(j.grid, 1), nomPP);
        QCOMPARE(column(j.grid, 0), positions(int(nomPP.size())));
        QCOMPARE(j.notes.skipCommit(), answer == Answer::Yes ? true : flagBefore);
        const bool removed = answer == Answer::Yes && !nothingSelected;
        QCOMPARE(deleted.count(), removed ? 1 : 0);
        if (removed) {
            QCOMPARE(j.grid.RowSel(), j.grid.Row());
            QCOMPARE(j.grid.ColSel(), j.grid.Col());
            QCOMPARE(j.editor.m_text, j.grid.TextMatrix(j.grid.Row(), j.grid.Col()));
        }
    }

    // The state the recorder relies on to replace the row by the next
    // reading: one empty row, numbered 1, current.
    void deletingEverythingLeavesOneEmptyCurrentRow()
    {
        EditingJournal j(4);
        FakeUserMessages messages;
        messages.answer({Answer::Yes});
        RowOperations operations(j.grid, messages, j.notes);
        j.grid.setCurrentCell(4, j.noteCol());
        j.grid.setSelectionCorner(1, 1);
        operations.DeleteSelectedRows();
        QCOMPARE(j.grid.Rows(), 2);
        QCOMPARE(j.grid.Row(), 1);
        QCOMPARE(j.grid.TextMatrix(1, 0), QStringLiteral("1"));
        for (int c = 1; c < j.grid.Cols(); ++c)
            QCOMPARE(j.grid.TextMatrix(1, c), QString());
        // The note typed before the deletion does not come back.
        j.click(1, 2);
        QCOMPARE(j.grid.TextMatrix(1, j.noteCol()), QString());
    }

    // Row indices beyond 16 bits.
    void bigJournal_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("rowSel");
        QTest::addColumn<int>("remaining");
        QTest::addColumn<QString>("lastNomPP");
        QTest::newRow("a block beyond row 32767") << 39000 << 33000 << 33999 << "40000";
        QTest::newRow("every row") << 1 << 40000 << 1 << "";
    }

    void bigJournal()
    {
        QFETCH(int, row);
        QFETCH(int, rowSel);
        QFETCH(int, remaining);
        QFETCH(QString, lastNomPP);
        EditingJournal j(0);
        QStringList lines;
        for (int i = 1; i <= 40000; ++i)
            lines << QStringLiteral("%1\t%1").arg(i);
        j.grid.addItems(lines);
        FakeUserMessages messages;
        messages.answer({Answer::Yes});
        RowOperations operations(j.grid, messages, j.notes);
        j.grid.setCurrentCell(row, 1);
        j.grid.setSelectionCorner(rowSel, 1);
        operations.DeleteSelectedRows();
        QCOMPARE(j.grid.Rows(), remaining + 1);
        QCOMPARE(j.grid.TextMatrix(remaining, 0), QString::number(remaining));
        QCOMPARE(j.grid.TextMatrix(remaining, 1), lastNomPP);
        if (remaining > 1) {
            QCOMPARE(j.grid.TextMatrix(32999, 1), QStringLiteral("32999"));
            QCOMPARE(j.grid.TextMatrix(33000, 1), QStringLiteral("39001"));
            QCOMPARE(j.grid.TextMatrix(33000, 0), QStringLiteral("33000"));
        }
    }
};

QTEST_GUILESS_MAIN(TestRowOperations)
#include "tst_rowoperations.moc"

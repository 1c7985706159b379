#include "support/EditingJournal.h"

#include <QSignalSpy>
#include <QTest>

// The note editor laid over note cells by the mouse, committing on leave,
// moved by Up and Down, and the skip-commit flag that guards stale text.
class TestNoteEditor : public QObject
{
    Q_OBJECT

private slots:
    void clickTypeClickStores_data()
    {
        QTest::addColumn<bool>("counting");
        QTest::addColumn<int>("nextRow");
        QTest::addColumn<bool>("nextIsNote");
        QTest::newRow("weighing, then a cell of another column") << false << 3 << false;
        QTest::newRow("weighing, then another note") << false << 1 << true;
        QTest::newRow("counting, then a cell of another column") << true << 2 << false;
        QTest::newRow("counting, then another note") << true << 3 << true;
    }

    void clickTypeClickStores()
    {
        QFETCH(bool, counting);
        QFETCH(int, nextRow);
        QFETCH(bool, nextIsNote);
        EditingJournal j(3, counting ? JournalLayout::counting() : JournalLayout::weighing());
        QSignalSpy stored(&j.notes, &NoteEditor::noteStored);
        const int note = j.noteCol();
        j.click(2, note);
        QVERIFY(j.editor.m_visible);
        QCOMPARE(j.editor.m_geometry, j.cells.cellRect(2, note));
        QCOMPARE(j.editor.m_text, QStringLiteral("note 2"));
        QCOMPARE(j.editor.m_focusTaken, 1);
        QVERIFY(j.editor.m_rightAligned); // the note column is right-aligned in both layouts

        j.editor.m_text = QStringLiteral("checked by Ivanov");
        j.click(nextRow, nextIsNote ? note : 2);
        QCOMPARE(j.grid.TextMatrix(2, note), QStringLiteral("checked by Ivanov"));
        QCOMPARE(stored.count(), 1);
        QCOMPARE(j.editor.m_visible, nextIsNote);
        if (nextIsNote)
            QCOMPARE(j.editor.m_text, QStringLiteral("note %1").arg(nextRow));
    }

    void unchangedNoteIsNotReported()
    {
        EditingJournal j(2);
        QSignalSpy stored(&j.notes, &NoteEditor::noteStored);
        j.click(1, j.noteCol());
        j.click(2, j.noteCol());
        QCOMPARE(stored.count(), 0);
        QCOMPARE(j.grid.TextMatrix(1, j.noteCol()), QStringLiteral("note 1"));
    }

    // The fault the flag used to cause: once the editor lies over a note with
    // that note's own text, what the operator types there is stored.
    void noteTypedAfterClickOutsideIsStored()
    {
        EditingJournal j(3);
        const int note = j.noteCol();
        j.click(1, 2); // outside the note column: editor hidden, flag set
        QVERIFY(!j.editor.m_visible);
        QVERIFY(j.notes.skipCommit());
        j.click(2, note);
        j.editor.m_text = QStringLiteral("A");
        j.click(3, note);
        QCOMPARE(j.grid.TextMatrix(2, note), QStringLiteral("A"));
        QCOMPARE(j.editor.m_text, QStringLiteral("note 3"));
    }

    // The flag's own job: a note cell entered while the pointer rests
    // elsewhere has a hidden editor with stale text, and leaving it stores
    // nothing.
    void hiddenEditorTextIsNeverStored()
    {
        EditingJournal j(3);
        const int note = j.noteCol();
        j.click(1, note);
        j.editor.m_text = QStringLiteral("typed in row 1");
        j.grid.setMouseCell(0, 0);      // the pointer leaves the grid
        j.grid.setCurrentCell(2, note); // keyboard, or the recorder
        QCOMPARE(j.grid.TextMatrix(1, note), QStringLiteral("typed in row 1"));
        QVERIFY(!j.editor.m_visible);
        QVERIFY(j.notes.skipCommit());
        j.grid.setCurrentCell(3, note);
        QCOMPARE(j.grid.TextMatrix(2, note), QStringLiteral("note 2"));
        QVERIFY(j.notes.skipCommit()); // cleared by that leave, set again by the enter
    }

    void pointerOverHeaderOrPositionHides_data()
    {
        QTest::addColumn<int>("mouseRow");
        QTest::addColumn<bool>("mouseOnNote");
        QTest::newRow("header row") << 0 << true;
        QTest::newRow("position column") << 2 << false;
    }

    void pointerOverHeaderOrPositionHides()
    {
        QFETCH(int, mouseRow);
        QFETCH(bool, mouseOnNote);
        EditingJournal j(3);
        j.click(1, j.noteCol());
        QVERIFY(j.editor.m_visible);
        j.grid.setMouseCell(mouseRow, mouseOnNote ? j.noteCol() : 0);
        j.grid.setCurrentCell(3, j.noteCol());
        QVERIFY(!j.editor.m_visible);
        QVERIFY(j.notes.skipCommit());
    }

    // The pointer decides whether the editor shows, the current cell where.
    void keyboardIntoAnotherColumnNeverStores_data()
    {
        QTest::addColumn<bool>("counting");
        QTest::addColumn<bool>("rightAligned");
        QTest::newRow("weighing: weight right-aligned") << false << true;
        QTest::newRow("counting: weight left-aligned") << true << false;
    }

    void keyboardIntoAnotherColumnNeverStores()
    {
        QFETCH(bool, counting);
        QFETCH(bool, rightAligned);
        EditingJournal j(3, counting ? JournalLayout::counting() : JournalLayout::weighing());
        QSignalSpy stored(&j.notes, &NoteEditor::noteStored);
        j.click(2, j.noteCol());
        j.grid.setCurrentCell(2, 2); // the pointer still rests over the note
        QVERIFY(j.editor.m_visible);
        QCOMPARE(j.editor.m_geometry, j.cells.cellRect(2, 2));
        QCOMPARE(j.editor.m_text, QStringLiteral("Weight 2"));
        QCOMPARE(j.editor.m_rightAligned, rightAligned);
        j.editor.m_text = QStringLiteral("999");
        j.grid.setCurrentCell(3, 2);
        QCOMPARE(j.grid.TextMatrix(2, 2), QStringLiteral("Weight 2"));
        QCOMPARE(stored.count(), 0);
    }

    void upAndDown_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("end");
        QTest::newRow("Up on row 1") << 1 << int(NoteEditor::KeyUp) << 1;
        QTest::newRow("Down on the last row") << 3 << int(NoteEditor::KeyDown) << 3;
        QTest::newRow("Down") << 2 << int(NoteEditor::KeyDown) << 3;
        QTest::newRow("Up") << 2 << int(NoteEditor::KeyUp) << 1;
        QTest::newRow("another key") << 2 << int('A') << 2;
    }

    void upAndDown()
    {
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, end);
        EditingJournal j(3);
        const int note = j.noteCol();
        j.click(start, note);
        j.editor.m_text = QStringLiteral("edited");
        j.notes.keyDown(key, 0);
        QCOMPARE(j.grid.Row(), end);
        QCOMPARE(j.grid.Col(), note);
        QVERIFY(j.editor.m_visible);
        QCOMPARE(j.editor.m_geometry, j.cells.cellRect(end, note));
        if (end == start) {
            QCOMPARE(j.editor.m_text, QStringLiteral("edited"));
            QCOMPARE(j.grid.TextMatrix(start, note), QStringLiteral("note %1").arg(start));
        } else {
            QCOMPARE(j.grid.TextMatrix(start, note), QStringLiteral("edited"));
            QCOMPARE(j.editor.m_text, QStringLiteral("note %1").arg(end));
        }
    }

    void setTextboxPlacesOnly()
    {
        EditingJournal j(3);
        const int note = j.noteCol();
        j.grid.setCurrentCell(2, note); // pointer elsewhere: hidden, flag set
        QVERIFY(j.notes.skipCommit());
        j.grid.setMouseCell(2, note);
        j.notes.setTextbox();
        QVERIFY(j.editor.m_visible);
        QCOMPARE(j.editor.m_geometry, j.cells.cellRect(2, note));
        QCOMPARE(j.editor.m_text, QStringLiteral("note 2"));
        QVERIFY(!j.editor.m_rightAligned);
        QCOMPARE(j.editor.m_focusTaken, 0);
        j.editor.m_text = QStringLiteral("via SetTextbox");
        j.click(3, note);
        QCOMPARE(j.grid.TextMatrix(2, note), QStringLiteral("via SetTextbox"));

        j.grid.setMouseCell(3, 1);
        j.notes.setTextbox();
        QVERIFY(!j.editor.m_visible);
        QVERIFY(j.notes.skipCommit());
    }

    // Rows going away can leave the current cell in the header row, under
    // the note caption: the caption is never overwritten.
    // A recorded row made current while a note is typed: the editor stays on
    // its cell, and the note goes into its own row (Enter, leaving). Without
    // an editor, a recorded row brings none up.
    void recordedRowsLeaveTheNoteWhereItIs()
    {
        EditingJournal j(5);
        const int note = j.noteCol();
        j.click(4, note);
        j.editor.m_text = QStringLiteral("typed");
        j.grid.AddItem(QStringLiteral("6\t6"));
        j.grid.followNewRow(6);
        QCOMPARE(j.grid.Row(), 6);
        QCOMPARE(j.editor.m_geometry, j.cells.cellRect(4, note));
        QVERIFY(j.editor.m_visible);
        QCOMPARE(j.grid.TextMatrix(4, note), QStringLiteral("note 4"));
        j.notes.keyDown(NoteEditor::KeyReturn, 0);
        QCOMPARE(j.grid.TextMatrix(4, note), QStringLiteral("typed"));
        QVERIFY(j.editor.m_visible);
        j.editor.m_text = QStringLiteral("typed on");
        j.notes.keyDown(NoteEditor::KeyDown, 0); // from the note's row, not the current one
        QCOMPARE(j.grid.Row(), 5);
        QCOMPARE(j.grid.TextMatrix(4, note), QStringLiteral("typed on"));
        QCOMPARE(j.grid.TextMatrix(6, note), QString());

        j.click(2, 2); // the pointer leaves the notes: the editor goes
        j.grid.setMouseCell(1, note);
        j.grid.AddItem(QStringLiteral("7\t7"));
        j.grid.followNewRow(j.grid.Rows() - 1);
        QVERIFY(!j.editor.m_visible);
        QVERIFY(j.notes.skipCommit());
    }

    void headerKeepsItsCaption()
    {
        EditingJournal j(2);
        const int note = j.noteCol();
        j.click(2, note);
        j.grid.setRows(1); // the pointer still reports row 2
        QCOMPARE(j.grid.Row(), 0);
        j.editor.m_text = QStringLiteral("typed");
        j.grid.setCurrentCell(0, 0);
        QCOMPARE(j.grid.TextMatrix(0, note), JournalLayout::noteCaption());
    }
};

QTEST_GUILESS_MAIN(TestNoteEditor)
#include "tst_noteeditor.moc"

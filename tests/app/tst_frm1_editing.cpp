#include "app/frm1.h"

#include "journal/JournalGrid.h"
#include "journal/JournalView.h"
#include "files/FileCommands.h"
#include "settings/frmSettings.h"
#include "support/TestFiles.h"
#include "support/TestWindow.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Answer = UserMessages::Answer;

// Editing the journal in the real main window, by mouse and keys: notes in
// place, deleting the selected rows, the snapshot.
class TestFrm1Editing : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestWindow> m_env;
    frm1 *m_window = nullptr;
    JournalView *m_grid = nullptr;
    QLineEdit *m_editor = nullptr;

    JournalGrid &journal() const { return m_window->journal(); }
    int noteCol() const { return journal().columnWithCaption(QStringLiteral("Примечание")); }

    QPoint cellCentre(int row, int col) const
    {
        return m_grid->visualRect(journal().indexOf(row, col)).center();
    }
    // The pointer comes to rest over the cell, then clicks it.
    void click(int row, int col)
    {
        QTest::mouseMove(m_grid->viewport(), cellCentre(row, col));
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(row, col));
    }
    void clickRowHeader(int row, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget *header = m_grid->verticalHeader()->viewport();
        const QPoint at(header->width() / 2, m_grid->verticalHeader()->sectionViewportPosition(row - 1) + 3);
        QTest::mouseClick(header, Qt::LeftButton, modifiers, at);
    }
    // The part of a cell in sight (a scroll bar may cover its end).
    QRect cellOnClient(int row, int col) const
    {
        return m_grid->cellGeometry(row, col).intersected(m_grid->viewport()->geometry()).translated(m_grid->pos());
    }
    void addRows(int n)
    {
        for (int i = 1; i <= n; ++i)
            journal().AddItem(QStringLiteral("%1\t%1\t1.000\tkg\tS\t07.12.2026 10:00:00\tnote %1").arg(i));
    }
    QStringList column(int col) const
    {
        QStringList cells;
        for (int r = 1; r < journal().Rows(); ++r)
            cells << journal().TextMatrix(r, col);
        return cells;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestWindow>();
        m_window = &m_env->start();
        m_grid = m_window->findChild<JournalView *>(QStringLiteral("Grid1"));
        m_editor = m_window->findChild<QLineEdit *>(QStringLiteral("Text1"));
        QVERIFY(m_grid && m_editor);
    }

    void cleanup() { m_env.reset(); }

    void clickTypeClickStoresTheNote()
    {
        addRows(3);
        click(2, noteCol());
        QVERIFY(m_editor->isVisible());
        QCOMPARE(m_editor->geometry(), cellOnClient(2, noteCol()));
        QCOMPARE(m_editor->text(), QStringLiteral("note 2"));
        QVERIFY(m_editor->hasFocus());
        QVERIFY(m_editor->alignment() & Qt::AlignRight);
        QTest::keyClicks(m_editor, QStringLiteral(" checked"));
        click(3, 2);
        QCOMPARE(journal().TextMatrix(2, noteCol()), QStringLiteral("note 2 checked"));
        QVERIFY(!m_editor->isVisible());
    }

    // A click outside the note column first must not make the next note lost.
    void noteAfterClickOutsideIsStored()
    {
        addRows(3);
        click(1, 2);
        click(2, noteCol());
        QTest::keyClicks(m_editor, QStringLiteral("!"));
        click(3, noteCol());
        QCOMPARE(journal().TextMatrix(2, noteCol()), QStringLiteral("note 2!"));
        QCOMPARE(m_editor->text(), QStringLiteral("note 3"));
    }

    // A note longer than the editor holds (from a loaded file) survives a
    // visit of the editor; the screen shows only its start.
    void longNoteKeptWhole()
    {
        addRows(2);
        const QString note = QString(100000, QLatin1Char('n')) + QStringLiteral("end");
        journal().setTextMatrix(1, noteCol(), note);
        click(1, noteCol());
        QVERIFY(m_editor->isVisible());
        click(2, noteCol());
        QCOMPARE(journal().TextMatrix(1, noteCol()), note);
        QVERIFY(!m_window->fileCommands().changed());
        QCOMPARE(journal().data(journal().indexOf(1, noteCol()), Qt::DisplayRole).toString(),
                 note.left(JournalGrid::MaxShownLength));
    }

    // The pointer over the editor counts as over the note cell beneath it.
    void upAndDownMoveBetweenNotes()
    {
        addRows(3);
        click(1, noteCol());
        QTest::mouseMove(m_grid->viewport(), cellCentre(3, 2));
        QTest::mouseMove(m_editor, m_editor->rect().center());
        QTest::keyClick(m_editor, Qt::Key_Up);
        QCOMPARE(journal().Row(), 1);
        QTest::keyClicks(m_editor, QStringLiteral("a"));
        QTest::keyClick(m_editor, Qt::Key_Down);
        QCOMPARE(journal().TextMatrix(1, noteCol()), QStringLiteral("note 1a"));
        QCOMPARE(journal().Row(), 2);
        QVERIFY(m_editor->isVisible());
        QCOMPARE(m_editor->geometry(), cellOnClient(2, noteCol()));
        QCOMPARE(m_editor->text(), QStringLiteral("note 2"));
        QTest::keyClick(m_editor, Qt::Key_Down);
        QCOMPARE(m_editor->text(), QStringLiteral("note 3"));
        QTest::keyClick(m_editor, Qt::Key_Down);
        QCOMPARE(journal().Row(), 3);
        QCOMPARE(m_editor->text(), QStringLiteral("note 3"));
        QVERIFY(m_editor->hasFocus());
    }

    void editorFollowsItsCell()
    {
        addRows(40);
        click(2, noteCol());
        QHeaderView *columns = m_grid->horizontalHeader();
        const QRect before = m_editor->geometry();
        columns->resizeSection(0, columns->sectionSize(0) - 20);
        QCOMPARE(m_editor->geometry(), before.translated(-20, 0));
        QCOMPARE(m_editor->geometry(), cellOnClient(2, noteCol()));
        m_grid->verticalScrollBar()->setValue(20);
        QVERIFY(!m_editor->isVisible()); // its cell scrolled out of sight
        m_grid->verticalScrollBar()->setValue(1);
        QVERIFY(m_editor->isVisible());
        QCOMPARE(m_editor->geometry(), cellOnClient(2, noteCol()));
    }

    void layoutBuildStoresNothing()
    {
        addRows(2);
        click(1, noteCol());
        QTest::keyClicks(m_editor, QStringLiteral("lost with the journal"));
        m_window->InitGrid(2);
        QCOMPARE(journal().Rows(), 1);
        QCOMPARE(journal().TextMatrix(0, noteCol()), QStringLiteral("Примечание"));
        QVERIFY(!m_editor->isVisible());
        m_env->messages.answer({Answer::Yes});
        m_window->tbr1_ButtonClick(QStringLiteral("tbrClear"));
        QCOMPARE(m_env->messages.texts(),
                 (QStringList{"Удалить выделенные строки ?", "Выделите строки для удаления!"}));
    }

    void deleteSelectedRows_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QStringList>("nomPP");
        QTest::newRow("rows 2-4 top-down") << 2 << 4 << Answer::Yes << QStringList{"1", "5"};
        QTest::newRow("rows 2-4 bottom-up") << 4 << 2 << Answer::Yes << QStringList{"1", "5"};
        QTest::newRow("all rows") << 5 << 1 << Answer::Yes << QStringList{""};
        QTest::newRow("answered No") << 2 << 4 << Answer::No << QStringList{"1", "2", "3", "4", "5"};
    }

    void deleteSelectedRows()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(Answer, answer);
        QFETCH(QStringList, nomPP);
        addRows(5);
        clickRowHeader(from);
        clickRowHeader(to, Qt::ShiftModifier);
        m_env->messages.answer({answer});
        m_window->tbr1_ButtonClick(QStringLiteral("tbrClear"));
        QCOMPARE(m_env->messages.texts(), QStringList{"Удалить выделенные строки ?"});
        QCOMPARE(column(1), nomPP);
        QStringList positions;
        for (int r = 1; r <= nomPP.size(); ++r)
            positions << QString::number(r);
        QCOMPARE(column(0), positions);
        if (answer == Answer::Yes) {
            QCOMPARE(journal().RowSel(), journal().Row());
            QCOMPARE(journal().ColSel(), journal().Col());
        }
    }

    // An edited note and a deletion are unsaved changes; a note left as it was is not.
    void editsMarkTheJournalChanged()
    {
        addRows(3);
        const FileCommands &files = m_window->fileCommands();
        click(1, noteCol());
        click(2, noteCol());
        QVERIFY(!files.changed());
        QTest::keyClicks(m_editor, QStringLiteral("x"));
        click(3, 2);
        QVERIFY(files.changed());

        m_window->fileCommands().markDiscarded();
        clickRowHeader(1);
        m_env->messages.answer({Answer::Yes});
        m_window->tbr1_ButtonClick(QStringLiteral("tbrClear"));
        QVERIFY(files.changed());
    }

    // The corner button and Ctrl+A select every row, as a spreadsheet does.
    void selectAllRows()
    {
        addRows(4);
        m_grid->setFocus();
        QTest::keyClick(m_grid, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(journal().Row(), 1);
        QCOMPARE(journal().RowSel(), 4);
        QCOMPARE(journal().ColSel(), journal().Cols() - 1);
        m_env->messages.answer({Answer::Yes});
        m_window->tbr1_ButtonClick(QStringLiteral("tbrClear"));
        QCOMPARE(column(1), QStringList{QString()});
        // The next reading replaces the empty row and is numbered 1 again.
        m_window->ReadFrom_Unit(QStringLiteral("\x01\x02S   1.000kg   "));
        QCOMPARE(column(0), QStringList{"1"});
        QCOMPARE(column(1), QStringList{"1"});
    }

    // Enter stores the note; every command that saves or replaces the
    // journal stores a note still in the editor first.
    void noteInTheEditorIsStored_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("Enter") << "Enter";
        QTest::newRow("tbrSave") << "tbrSave";
        QTest::newRow("tbrExit") << "tbrExit";
        QTest::newRow("close box") << "close";
        QTest::newRow("tbrOpen") << "tbrOpen";
        QTest::newRow("tbrCreate") << "tbrCreate";
        QTest::newRow("layout rebuild") << "layout";
    }

    void noteInTheEditorIsStored()
    {
        QFETCH(QString, command);
        const QString file = m_env->folder.filePath(QStringLiteral("j.txt"));
        m_env->dialogs.choices = {file};
        QVERIFY(TestFiles::put(file, ""));
        m_window->tbr1_ButtonClick(QStringLiteral("tbrOpen"));
        addRows(2);
        m_window->fileCommands().markDiscarded();
        click(2, noteCol());
        QTest::keyClicks(m_editor, QStringLiteral(" checked"));
        m_env->messages.setDefaultAnswer(Answer::Cancel);
        if (command == QLatin1String("Enter")) {
            QTest::keyClick(m_editor, Qt::Key_Return);
            QCOMPARE(journal().TextMatrix(2, noteCol()), QStringLiteral("note 2 checked"));
            QVERIFY(m_window->fileCommands().changed());
            QVERIFY(m_editor->isVisible());
            return;
        }
        if (command == QLatin1String("close"))
            m_window->close();
        else if (command == QLatin1String("layout"))
            m_window->settingsDialog().findChild<QCheckBox *>(QStringLiteral("chkShowStreamData"))->click();
        else
            m_window->tbr1_ButtonClick(command);
        if (command == QLatin1String("tbrSave")) {
            QVERIFY(m_env->messages.messages().isEmpty());
            QVERIFY(TestFiles::bytesOf(file).contains("note 2 checked"));
            return;
        }
        // The stored note is an unsaved change: the question comes.
        QCOMPARE(m_env->messages.texts().value(0),
                 QStringLiteral("Все изменения будут потеряны!\r\nСохранить изменения?"));
        QCOMPARE(journal().TextMatrix(2, noteCol()), QStringLiteral("note 2 checked"));
        QVERIFY(m_window->isVisible());
    }

    // A reading recorded while the operator types a note makes its row
    // current, but the note stays whole in the row where it was begun.
    void readingsWhileTyping()
    {
        addRows(43); // more than the view shows: the readings go below
        click(2, noteCol());
        m_editor->selectAll();
        const QString frame = QStringLiteral("\x01\x02S   %1kg   ");
        const QStringList parts{QStringLiteral("partiya"), QStringLiteral(" 17"), QStringLiteral(" pallet 4"),
                                QStringLiteral(" ok")};
        for (int i = 0; i < parts.size(); ++i) {
            QTest::keyClicks(m_editor, parts[i]);
            m_window->ReadFrom_Unit(frame.arg(QString::number(i + 2) + QStringLiteral(".000")));
            QTest::qWait(JournalView::MinRepaintMs + 50); // the view has shown the new current row
            QCOMPARE(journal().Row(), journal().Rows() - 1);
            QVERIFY(m_editor->isVisible());
            QVERIFY(m_editor->hasFocus());
            QCOMPARE(m_editor->geometry(), cellOnClient(2, noteCol()));
        }
        QTest::keyClick(m_editor, Qt::Key_Down); // leaves the note for the next row's
        QCOMPARE(journal().TextMatrix(2, noteCol()), QStringLiteral("partiya 17 pallet 4 ok"));
        QCOMPARE(journal().Rows(), 48);
        QCOMPARE(column(1).mid(43), (QStringList{"44", "45", "46", "47"}));
        QCOMPARE(journal().Row(), 3);
        QCOMPARE(m_editor->text(), QStringLiteral("note 3"));
    }

    // The rows deleted are the ones the operator selected; readings recorded
    // after the selection, or while the question is open, stay.
    void deleteWhileReceiving()
    {
        addRows(7);
        clickRowHeader(5);
        clickRowHeader(6, Qt::ShiftModifier);
        const QString frame = QStringLiteral("\x01\x02S   %1.000kg   ");
        m_window->ReadFrom_Unit(frame.arg(8));
        m_env->messages.whileShown = [&](const QString &) { m_window->ReadFrom_Unit(frame.arg(9)); };
        m_env->messages.answer({Answer::Yes});
        m_window->tbr1_ButtonClick(QStringLiteral("tbrClear"));
        QCOMPARE(m_env->messages.texts(), QStringList{"Удалить выделенные строки ?"});
        QCOMPARE(column(1), (QStringList{"1", "2", "3", "4", "7", "8", "9"}));
        QCOMPARE(column(0), (QStringList{"1", "2", "3", "4", "5", "6", "7"}));
    }

    void snapshot()
    {
        addRows(3);
        GridArray arr;
        m_window->SaveGridDataToArr(arr);
        QCOMPARE(arr.size(), 7);
        QCOMPARE(arr[0].size(), 4);
        QCOMPARE(arr[5][3], std::optional<QString>(QStringLiteral("note 3")));
        QVERIFY(!arr[6][3].has_value());
    }
};

QTEST_MAIN(TestFrm1Editing)
#include "tst_frm1_editing.moc"

#include "app/frm1.h"
#include "journal/JournalGrid.h"
#include "journal/JournalView.h"
#include "link/QtSerialLine.h"
#include "support/FixedClock.h"
#include "support/TestWindow.h"
#include "support/XServer.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

// Notes typed with real keys on a real X server, where a key's native code
// is its keysym: only the arrow keys move the editor, and readings arriving
// from the scale between the keystrokes leave the note whole.
class TestX11Input : public QObject
{
    Q_OBJECT

    static constexpr int Timeout = 20000;
    std::unique_ptr<TestWindow> m_env;
    QProcess m_scale;

    frm1 &window() { return *m_env->window; }
    JournalGrid &journal() { return window().journal(); }
    JournalView &grid() { return *window().findChild<JournalView *>(QStringLiteral("Grid1")); }
    QLineEdit &editor() { return *window().findChild<QLineEdit *>(QStringLiteral("Text1")); }
    int noteCol() { return journal().columnWithCaption(QStringLiteral("Примечание")); }

    // A real click: the pointer moves onto the cell, then the button.
    bool click(int row, int col)
    {
        const QRect cell = grid().visualRect(journal().indexOf(row, col));
        const QPoint at = grid().viewport()->mapToGlobal(cell.center());
        return XServer::xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y()), "click", "1"});
    }
    bool type(const QString &text, int delayMs)
    {
        return XServer::type(text, delayMs);
    }
    bool pointAt(const QWidget &widget, QPoint at)
    {
        at = widget.mapToGlobal(at);
        return XServer::xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y())});
    }
    void addRow(int n)
    {
        journal().AddItem(QStringLiteral("%1\t%1\t1.000\tkg\tS\t07.12.2026 10:00:00\t").arg(n));
    }
    QStringList column(int col)
    {
        QStringList cells;
        for (int r = 1; r < journal().Rows(); ++r)
            cells << journal().TextMatrix(r, col);
        return cells;
    }

private slots:
    void init() { m_env = std::make_unique<TestWindow>(); }

    void cleanup()
    {
        m_env.reset();
        if (m_scale.state() != QProcess::NotRunning) {
            m_scale.kill();
            m_scale.waitForFinished(Timeout);
        }
    }

    // "&" and "(" have the keysyms 38 and 40, the codes of Up and Down.
    void everyTypedCharacterLandsInTheNote()
    {
        m_env->start();
        for (int i = 1; i <= 3; ++i)
            journal().AddItem(QStringLiteral("%1\t%1\t1.000\tkg\tS\t07.12.2026 10:00:00\tnote %1").arg(i));
        QVERIFY(click(2, noteCol()));
        QTRY_VERIFY(editor().hasFocus());
        QVERIFY(XServer::xdotool({"key", "ctrl+a"}));
        const QString text = QStringLiteral("R&D (x) #1 [a] {b} <c> 'd' \"e\" ~!@$%^*_+=|\\/?.,;: Ёж");
        QVERIFY(type(text.chopped(2), 10));
        // A character the keyboard map lacks is mapped for its keystroke alone.
        QVERIFY(type(text.right(2), 300));
        QCOMPARE(editor().text(), text);
        QCOMPARE(journal().Row(), 2);

        // The real arrows move the editor and store the note.
        QVERIFY(XServer::xdotool({"key", "Down"}));
        QCOMPARE(journal().Row(), 3);
        QCOMPARE(journal().TextMatrix(2, noteCol()), text);
        QCOMPARE(editor().text(), QStringLiteral("note 3"));
        QVERIFY(XServer::xdotool({"key", "Up", "Up"}));
        QCOMPARE(journal().Row(), 1);
        QCOMPARE(editor().text(), QStringLiteral("note 1"));
        QCOMPARE(column(noteCol()), (QStringList{"note 1", text, "note 3"}));
    }

    // The totals' text is selected by dragging the real pointer over it;
    // the selection stays when the pointer leaves, until the totals change.
    // The label measures the same either way, so the status bar keeps still.
    void totalsSelectedByDragging()
    {
        m_env->start();
        for (int n = 1; n <= 3; ++n)
            addRow(n);
        auto &totals = *window().findChild<QLabel *>(QStringLiteral("lblTotals"));
        QTRY_VERIFY(totals.text().contains(QStringLiteral("3 строки")));
        QCOMPARE(totals.textInteractionFlags(), Qt::NoTextInteraction);
        const QSize plainSize = totals.sizeHint();
        // The status bar laid out for the new text before the pointer aims at
        // the label: on a loaded machine the layout came after, and the label
        // moved under the pointer in the middle of the drag.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);

        const int y = totals.height() / 2;
        QVERIFY(pointAt(totals, {2, y}));
        QTRY_COMPARE(totals.textInteractionFlags(), Qt::TextSelectableByMouse);
        QCOMPARE(totals.sizeHint(), plainSize);
        QVERIFY(XServer::xdotool({"mousedown", "1"}));
        QVERIFY(pointAt(totals, {totals.width() / 2, y}));
        QVERIFY(XServer::xdotool({"mouseup", "1"}));
        QTRY_VERIFY(totals.hasSelectedText());
        QVERIFY(totals.text().startsWith(totals.selectedText()));

        QVERIFY(pointAt(grid(), {5, 5}));
        QTRY_VERIFY(!totals.underMouse());
        QVERIFY(totals.hasSelectedText());
        QCOMPARE(totals.textInteractionFlags(), Qt::TextSelectableByMouse);

        addRow(4);
        QTRY_VERIFY(totals.text().contains(QStringLiteral("4 строки")));
        QVERIFY(!totals.hasSelectedText());
        QCOMPARE(totals.textInteractionFlags(), Qt::NoTextInteraction);
    }

    // Two readings a second from the virtual scale while a note is typed:
    // the note stays in the row where it was begun, whole; the readings
    // become rows, numbered in order, each made current.
    void readingsBetweenKeystrokes()
    {
        m_scale.start(QStringLiteral(VIRTUAL_SCALE_PATH),
                      {"--folder", m_env->folder.path(), "--port", "1", "--type", "0", "--interval-ms", "500",
                       "--weights", "1.000,2.000,3.000,4.000,5.000,6.000,7.000,8.000"});
        QVERIFY(m_scale.waitForStarted(Timeout));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_env->folder.filePath("ports/COM1")).isSymLink(), Timeout);
        m_env->start(std::make_unique<QtSerialLine>(m_env->folder.path()), std::make_unique<FixedClock>());
        window().tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
        QTRY_VERIFY_WITH_TIMEOUT(journal().Rows() > 2, Timeout);

        QVERIFY(click(1, noteCol()));
        QTRY_VERIFY(editor().hasFocus());
        const int rowsBefore = journal().Rows();
        const QString text = QStringLiteral("partiya 17 pallet 4 ok");
        QVERIFY(type(text, 200));
        const int rowsAfter = journal().Rows();
        QVERIFY2(rowsAfter - rowsBefore >= 3, qPrintable(QString::number(rowsAfter - rowsBefore)));
        QCOMPARE(journal().Row(), rowsAfter - 1); // the newest reading is current
        QCOMPARE(editor().text(), text);
        QVERIFY(click(1, 2)); // the operator leaves the note
        window().tbr1_ButtonClick(QStringLiteral("tbrStopRead"));

        QCOMPARE(journal().TextMatrix(1, noteCol()), text);
        const QStringList notes = column(noteCol());
        QCOMPARE(notes.count(text), 1);
        QCOMPARE(notes.count(QString()), notes.size() - 1);
        for (int r = 1; r < journal().Rows(); ++r) {
            QCOMPARE(journal().TextMatrix(r, 0), QString::number(r));
            QCOMPARE(journal().TextMatrix(r, 1), QString::number(r));
        }
    }
};

TAROVIK_X11_TEST_MAIN(TestX11Input, false)
#include "tst_x11input.moc"

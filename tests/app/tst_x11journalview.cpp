#include "app/frm1.h"
#include "journal/JournalGrid.h"
#include "journal/JournalView.h"
#include "link/DataStreamLog.h"
#include "link/DataStreamView.h"
#include "support/TestWindow.h"
#include "support/XServer.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

namespace {

// Counts the paints of a widget.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Where a view stands: its scroll ranges, steps and positions, and where
// its current cell lies.
QList<int> layoutOf(const QTableView &view)
{
    const QScrollBar *rows = view.verticalScrollBar(), *columns = view.horizontalScrollBar();
    return {rows->maximum(), rows->pageStep(), rows->value(), columns->maximum(), columns->pageStep(),
            view.visualRect(view.currentIndex()).top()};
}

} // namespace

// The journal of the main window on a real X server while readings come at
// the scale's pace: what it repaints, and how often.
class TestX11JournalView : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestWindow> m_env;

    JournalView &view() { return *m_env->window->findChild<JournalView *>(QStringLiteral("Grid1")); }

private slots:
    void init()
    {
        m_env = std::make_unique<TestWindow>();
        m_env->start();
        QTest::qWait(2 * JournalView::MinRepaintMs);
    }
    void cleanup() { m_env.reset(); }

    // The position column repaints with the cells, once a showing: not also
    // for the first row after each showing, which makes Qt's header place
    // all its rows once more (at a million rows, as much work as the rest).
    void positionColumnRepaintsWithTheCells_data()
    {
        QTest::addColumn<int>("readings");
        QTest::addColumn<int>("pauseMs");
        QTest::newRow("line rate") << 90 << 16;
        QTest::newRow("a burst") << 300 << 0;
        QTest::newRow("four a second") << 6 << 250;
    }
    void positionColumnRepaintsWithTheCells()
    {
        QFETCH(int, readings);
        QFETCH(int, pauseMs);
        JournalGrid &journal = m_env->window->journal();
        PaintCounter cells(view().viewport());
        PaintCounter positions(view().verticalHeader()->viewport());
        for (int n = 1; n <= readings; ++n) {
            m_env->window->ReadFrom_Unit(QStringLiteral("\x01\x02S%1kg   ").arg(n % 2 ? "1.000" : "2.000", 8));
            QTest::qWait(pauseMs);
        }
        QCOMPARE(journal.Rows(), readings + 1);
        const QModelIndex last = journal.indexOf(readings, 1);
        QTRY_VERIFY_WITH_TIMEOUT(view().currentIndex() == last && view().updatesEnabled(), 1000);
        QTest::qWait(50);
        QVERIFY(cells.paints >= 1);
        QVERIFY2(positions.paints <= cells.paints,
                 qPrintable(QStringLiteral("%1 paints of the cells, %2 of the positions")
                                .arg(cells.paints).arg(positions.paints)));
    }

    // Rows that come while a view holds its repaints are laid out once, when
    // they show: the view must then stand as a layout made afresh would.
    void heldRowsLaidOutAsAfresh_data()
    {
        QTest::addColumn<bool>("journal");
        QTest::addColumn<int>("pauseMs");
        QTest::newRow("journal, line rate") << true << 16;
        QTest::newRow("journal, a burst") << true << 0;
        QTest::newRow("data stream, line rate") << false << 16;
        QTest::newRow("data stream, a burst") << false << 0;
    }
    void heldRowsLaidOutAsAfresh()
    {
        QFETCH(bool, journal);
        QFETCH(int, pauseMs);
        DataStreamLog log(5000);
        DataStreamView stream;
        stream.setModel(&log);
        stream.resize(300, 120);
        stream.show();
        QVERIFY(QTest::qWaitForWindowExposed(&stream, XServer::WindowTimeoutMs));
        QTableView &shown = journal ? static_cast<QTableView &>(view()) : stream;
        for (int n = 1; n <= 120; ++n) {
            if (journal)
                m_env->window->ReadFrom_Unit(QStringLiteral("\x01\x02S%1kg   ").arg(n % 2 ? "1.000" : "2.000", 8));
            else // longer and longer, so that the column widens while held
                log.add(QString(n, QLatin1Char('A')), QTime(9, 5, 7));
            QTest::qWait(pauseMs);
        }
        QTRY_VERIFY_WITH_TIMEOUT(shown.updatesEnabled(), 1000);
        // The scroll area shows or hides a bar (the row header widened at
        // row 100) from an event it posts itself.
        QCoreApplication::processEvents();
        const QList<int> held = layoutOf(shown);
        QVERIFY(held[0] > 0); // rows beyond the window
        shown.doItemsLayout();
        QCOMPARE(held, layoutOf(shown));
    }
};

TAROVIK_X11_TEST_MAIN(TestX11JournalView, false)
#include "tst_x11journalview.moc"

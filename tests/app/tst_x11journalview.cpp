#include "app/frm1.h"
#include "journal/JournalGrid.h"
#include "journal/JournalView.h"
#include "support/TestWindow.h"
#include "support/XServer.h"

#include <QApplication>
#include <QHeaderView>
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
};

TAROVIK_X11_TEST_MAIN(TestX11JournalView, false)
#include "tst_x11journalview.moc"

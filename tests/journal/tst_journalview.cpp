#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"
#include "journal/JournalView.h"

#include <QHeaderView>
#include <QStyle>
#include <QTest>

// The journal on screen while rows come faster than it repaints: what it
// shows catches up with the grid within one repaint interval.
class TestJournalView : public QObject
{
    Q_OBJECT

    std::unique_ptr<JournalGrid> m_grid;
    std::unique_ptr<JournalView> m_view;

    // As the recorder does it: append a row, make it current.
    void record(int n)
    {
        m_grid->AddItem(QStringLiteral("%1\t%1\t1.000\tkg\tS\tt\tnote").arg(n));
        m_grid->setCurrentCell(m_grid->Rows() - 1, 1);
    }
    bool shows(int row, int col) const
    {
        const QModelIndex current = m_grid->indexOf(row, col);
        return m_view->currentIndex() == current && m_view->selectionModel()->isSelected(current);
    }
    bool inSight(int row) const
    {
        return m_view->viewport()->rect().contains(m_view->visualRect(m_grid->indexOf(row, 1)));
    }
    void quietSpell() { QTest::qWait(2 * JournalView::MinRepaintMs + 20); }

private slots:
    void init()
    {
        m_grid = std::make_unique<JournalGrid>();
        JournalLayout::apply(JournalLayout::weighing(), *m_grid);
        m_view = std::make_unique<JournalView>(*m_grid);
        m_view->resize(500, 200);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        quietSpell();
    }
    void cleanup()
    {
        m_view.reset();
        m_grid.reset();
    }

    // The row numbers show whole however many rows there are; the header
    // keeps the position column's width while they fit in it.
    void rowNumbersShowWhole_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("9,999") << 9999;
        QTest::newRow("10,000") << 10000;
        QTest::newRow("1,000,024") << 1000024;
    }

    void rowNumbersShowWhole()
    {
        QFETCH(int, rows);
        m_view->applyColumnWidths(); // as the main window does at each layout
        const int designed = m_view->verticalHeader()->width();
        QByteArray bytes;
        for (int n = 1; n <= rows; ++n)
            bytes += QByteArray::number(n) + "\t1.000\tkg\tS\tt\t\n";
        QList<QByteArrayView> lines;
        for (QByteArrayView rest(bytes); !rest.isEmpty();) {
            const qsizetype end = rest.indexOf('\n');
            lines << rest.first(end);
            rest = rest.sliced(end + 1);
        }
        m_grid->addFileLines(lines.first(rows / 2));
        m_grid->addFileLines(lines.sliced(rows / 2));
        QCoreApplication::processEvents();
        QHeaderView *header = m_view->verticalHeader();
        const QString last = m_grid->headerData(rows - 1, Qt::Vertical, Qt::DisplayRole).toString();
        QCOMPARE(last, QString::number(rows));
        const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        QVERIFY2(header->width() >= header->fontMetrics().horizontalAdvance(last) + 2 * margin,
                 qPrintable(QString::number(header->width())));
        if (header->fontMetrics().horizontalAdvance(last) + 2 * margin + 2 <= designed)
            QCOMPARE(header->width(), designed);
    }

    void changeAfterQuietSpellShowsAtOnce()
    {
        for (int n = 1; n <= 5; ++n)
            m_grid->AddItem(QStringLiteral("%1\t%1").arg(n));
        quietSpell();
        m_grid->setCurrentCell(3, 2);
        QVERIFY(shows(3, 2));
        QVERIFY(m_view->updatesEnabled());
    }

    void changeRightAfterAnotherWaitsForTheInterval()
    {
        record(1);
        QVERIFY(shows(1, 1));
        record(2);
        QVERIFY(!m_view->updatesEnabled()); // painted once, when the interval is over
        QTRY_VERIFY_WITH_TIMEOUT(shows(2, 1), 1000);
        QVERIFY(m_view->updatesEnabled());
    }

    void rowsComingFastEndCurrentAndInSight()
    {
        for (int n = 1; n <= 300; ++n) {
            record(n);
            QCoreApplication::processEvents();
        }
        QTRY_VERIFY_WITH_TIMEOUT(shows(300, 1) && m_view->updatesEnabled(), 1000);
        QVERIFY(inSight(300));
        QVERIFY(!inSight(1));
        // The position column keeps its width however long the numbers get.
        QCOMPARE(m_view->verticalHeader()->width(), m_view->verticalHeader()->minimumWidth());
    }
};

QTEST_MAIN(TestJournalView)
#include "tst_journalview.moc"

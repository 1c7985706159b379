#include "link/DataStreamLog.h"
#include "link/DataStreamView.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>

// The data-stream window on screen: one line an entry, newest at the top,
// as wide as the window or as its longest entry.
class TestDataStreamView : public QObject
{
    Q_OBJECT

    std::unique_ptr<DataStreamLog> m_log;
    std::unique_ptr<DataStreamView> m_view;

    void add(int bytes) { m_log->add(QString(bytes, QLatin1Char('A')), QTime(9, 5, 7)); }

private slots:
    void init()
    {
        m_log = std::make_unique<DataStreamLog>(50);
        m_view = std::make_unique<DataStreamView>();
        m_view->setModel(m_log.get());
        m_view->resize(400, 150);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }
    void cleanup()
    {
        m_view.reset();
        m_log.reset();
    }

    void widthFollowsTheLongestEntry()
    {
        add(10);
        QCOMPARE(m_view->columnWidth(0), m_view->viewport()->width());
        QCOMPARE(m_view->horizontalScrollBar()->maximum(), 0);

        add(200); // wider than the window: a horizontal scroll bar
        const int wide = m_view->columnWidth(0);
        QVERIFY(wide > m_view->viewport()->width());
        QVERIFY(wide >= m_view->fontMetrics().horizontalAdvance(m_log->index(0).data().toString()));
        QTRY_VERIFY(m_view->horizontalScrollBar()->maximum() > 0);

        add(10); // a short entry on top keeps the width of the long one below
        QCOMPARE(m_view->columnWidth(0), wide);

        m_view->resize(wide + 200, 150); // a window wider than every entry is filled
        QTRY_COMPARE(m_view->columnWidth(0), m_view->viewport()->width());
    }

    void newestOnTopAndCopiedTopDown()
    {
        for (int bytes = 1; bytes <= 3; ++bytes)
            add(bytes);
        QCOMPARE(m_view->indexAt(QPoint(5, 2)).row(), 0);
        QVERIFY(m_log->index(0).data().toString().startsWith(QStringLiteral(">>AAA;")));
        m_view->selectAll();
        QTest::keySequence(m_view.get(), QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral(">>AAA;   количество байт:3   09:05:07\n"
                                ">>AA;   количество байт:2   09:05:07\n"
                                ">>A;   количество байт:1   09:05:07"));
    }
};

QTEST_MAIN(TestDataStreamView)
#include "tst_datastreamview.moc"

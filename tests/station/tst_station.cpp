#include "app/frm1.h"

#include "journal/JournalGrid.h"
#include "support/TestWindow.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

// The station's additions on the real main window: the totals in the status
// bar and the menu items after the designed ones.
class TestStation : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestWindow> m_env;
    frm1 *m_window = nullptr;

    QString totals() const { return m_window->findChild<QLabel *>(QStringLiteral("lblTotals"))->text(); }

    void read(const char *weight)
    {
        m_window->ReadFrom_Unit(QStringLiteral("\x01\x02S%1kg   ").arg(QLatin1String(weight), 8));
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestWindow>();
        m_window = &m_env->start();
    }

    void totalsFollowReadingsSelectionAndDeletion()
    {
        QCOMPARE(totals(), QStringLiteral("Итого: 0 строк"));
        read("1.000");
        read("2.500");
        read("0.750");
        QTRY_VERIFY(totals().startsWith(QStringLiteral("Итого: 3 строки, сумма 4,250 kg")));
        JournalGrid &grid = m_window->journal();
        grid.setCurrentCell(2, 1);
        grid.setSelectionCorner(3, grid.Cols() - 1);
        QTRY_VERIFY(totals().startsWith(QStringLiteral("Итого: выделено 2 строки, сумма 3,250 kg")));
        m_env->messages.answer({UserMessages::Answer::Yes});
        m_window->tbr1_ButtonClick(QStringLiteral("tbrClear"));
        QTRY_VERIFY(totals().startsWith(QStringLiteral("Итого: 1 строка, сумма 1,000 kg")));
    }
};

QTEST_MAIN(TestStation)
#include "tst_station.moc"

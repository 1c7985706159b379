#include "app/QtUserMessages.h"
#include "app/frm1.h"
#include "journal/JournalGrid.h"
#include "link/LinkTexts.h"
#include "link/ScaleLink.h"
#include "support/TestWindow.h"
#include "support/XServer.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>
#include <QTest>

// The status bar's news of the line on a real X server under a window
// manager, with a scale whose line goes away and comes back.
class TestX11StatusLine : public QObject
{
    Q_OBJECT

    QtUserMessages m_messages; // real boxes, outliving the window
    TestWindow m_env;

    // A JW-1 frame: SOH STX, status, eight weight characters, the unit, three more.
    void read(const char *weight, const char *unit)
    {
        m_env.window->ReadFrom_Unit(QStringLiteral("\x01\x02S%1%2   ").arg(QLatin1String(weight), 8).arg(QLatin1String(unit)));
    }
    // The status bar shows its message left of its first line, whole.
    bool messageWhole() const
    {
        const QStatusBar *bar = m_env.window->statusBar();
        const int room = m_env.window->findChild<QLabel *>(QStringLiteral("lblReception"))->x();
        return room > bar->fontMetrics().horizontalAdvance(bar->currentMessage());
    }

    static QMessageBox *linkBrokenBox()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (box && box->isVisible() && box->text() == LinkTexts::linkBroken())
                return box;
        }
        return nullptr;
    }

private slots:
    // The line's news keeps its room beside long totals, and stays while
    // readings are recorded right after it; "Разрыв связи с весами!" goes
    // when the line is back by itself.
    void lineNewsKeepsItsRoomAndTime()
    {
        m_env.boxes = &m_messages;
        frm1 &w = m_env.start();
        m_messages.showOver(&w);
        w.tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
        for (const char *unit : {"kg", " g", "lb"})
            read("1021.995", unit);
        m_env.line->setExistingPorts({});
        m_env.line->loseDevice();
        QCOMPARE(w.statusBar()->currentMessage(), LinkTexts::lineLost());
        QTRY_VERIFY2(messageWhole(), qPrintable(QString::number(w.findChild<QLabel *>(QStringLiteral("lblReception"))->x())));
        QTRY_VERIFY(linkBrokenBox());

        m_env.line->setExistingPorts({1});
        QTRY_COMPARE(w.scaleLink().linkState(), LineKeeper::State::Receiving);
        read("1034.567", "kg");
        read("1045.678", "kg");
        QCOMPARE(w.journal().Rows(), 6);
        QCOMPARE(w.statusBar()->currentMessage(), LinkTexts::lineBack());
        QTRY_VERIFY(messageWhole());
        QTRY_VERIFY(!linkBrokenBox());
    }
};

TAROVIK_X11_TEST_MAIN(TestX11StatusLine, true)
#include "tst_x11statusline.moc"

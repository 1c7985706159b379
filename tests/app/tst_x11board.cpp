#include "app/frm1.h"
#include "support/TestWindow.h"
#include "support/XServer.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

// "Табло" in full screen under a real window manager (openbox on a real X
// server), on small, usual and wide screens: F11 gives the whole screen with
// every text in sight, and F11 again the window as it was.
class TestX11Board : public QObject
{
    Q_OBJECT

    // Every part of the board lies inside it; one-line texts show whole.
    static QString hidden(const QWidget &board)
    {
        for (const char *name : {"lblBoardWeight", "lblBoardUnit", "lblBoardStable", "lblBoardLastRow",
                                 "lblBoardTotals", "btnFullScreen"}) {
            const auto *w = board.findChild<QWidget *>(QLatin1String(name));
            if (!board.rect().contains(QRect(w->mapTo(&board, QPoint(0, 0)), w->size())))
                return QLatin1String(name) + QStringLiteral(" outside the board");
            const auto *label = qobject_cast<const QLabel *>(w);
            const auto *button = qobject_cast<const QAbstractButton *>(w);
            if (!label && !button)
                continue; // the weight's digits fit themselves to their widget
            const QString text = label ? label->text() : button->text();
            const int room = label ? label->contentsRect().width() : w->width() - 8;
            if ((!label || !label->wordWrap()) && w->fontMetrics().horizontalAdvance(text) > room)
                return QLatin1String(name) + QStringLiteral(" cut: ") + text;
        }
        return {};
    }

private slots:
    void fullScreenOnEveryScreen_data()
    {
        QTest::addColumn<QString>("screen");
        for (const char *size : {"1024x768", "1280x1024", "1920x1080"})
            QTest::newRow(size) << QString::fromLatin1(size);
    }

    void fullScreenOnEveryScreen()
    {
        QFETCH(QString, screen);
        if (screen != XServer::screenSize()) {
            QVERIFY(XServer::rerunWithScreen(screen, QStringLiteral("fullScreenOnEveryScreen:") + screen));
            return;
        }
        TestWindow env;
        frm1 &w = env.start();
        // JW-1 frames: SOH STX, status, eight weight characters, the unit, three more.
        for (const char *unit : {"kg", " g", "lb"}) {
            for (const char *weight : {"1234.567", "1054.917", "1021.995"})
                w.ReadFrom_Unit(QStringLiteral("\x01\x02S%1%2   ").arg(QLatin1String(weight), QLatin1String(unit)));
        }
        w.findChild<QAction *>(QStringLiteral("mnuBoard"))->trigger();
        auto *board = w.findChild<QWidget *>(QStringLiteral("frmBoard"));
        QVERIFY(QTest::qWaitForWindowActive(board, XServer::WindowTimeoutMs));
        QTRY_VERIFY(board->frameGeometry() != board->geometry()); // framed by the window manager
        QTest::qWait(300);
        const QSize normal = board->size();
        auto *button = board->findChild<QPushButton *>(QStringLiteral("btnFullScreen"));
        QCOMPARE(button->text(), QStringLiteral("Во весь экран (F11)"));

        QVERIFY(XServer::xdotool({"key", "F11"}));
        const QRect whole = board->screen()->geometry();
        QTRY_COMPARE(board->geometry(), whole);
        QVERIFY(board->isFullScreen());
        QTest::qWait(300); // laid out at the new size
        QVERIFY2(hidden(*board).isEmpty(), qPrintable(hidden(*board)));
        QCOMPARE(button->text(), QStringLiteral("Выйти из полного экрана (F11)"));

        QVERIFY(XServer::xdotool({"key", "F11"}));
        QTRY_COMPARE(board->size(), normal);
        QVERIFY(!board->isFullScreen());
        QCOMPARE(button->text(), QStringLiteral("Во весь экран (F11)"));
        QVERIFY(board->minimumSizeHint().width() <= normal.width());
        QTest::qWait(300);
        QVERIFY2(hidden(*board).isEmpty(), qPrintable(hidden(*board)));
    }
};

TAROVIK_X11_TEST_MAIN(TestX11Board, true)
#include "tst_x11board.moc"

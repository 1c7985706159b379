#include "app/frm1.h"
#include "settings/IniTxt.h"
#include "support/TestWindow.h"
#include "support/XServer.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>

// Starts and closes the program again and again under a real window manager
// (openbox on a real X server): the window comes back where and as large as
// it was, frame included, and the stored geometry does not creep. Long
// texts keep the window on the screen; "Табло" in full screen shows them all.
class TestX11Geometry : public QObject
{
    Q_OBJECT

    // Readings in three units of the widest weights, the widest last: JW-1
    // frames of SOH STX, status, eight weight characters, the unit, three more.
    static void readWideWeights(frm1 &w)
    {
        for (const char *unit : {"kg", " g", "lb"}) {
            for (const char *weight : {"   0.001", "1234.567", "1054.917", "1021.995"})
                w.ReadFrom_Unit(QStringLiteral("\x01\x02S%1%2   ").arg(QLatin1String(weight), QLatin1String(unit)));
        }
    }

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

    QStringList stored(const TestWindow &env)
    {
        QStringList values;
        for (const char *key : {"frmTop", "frmLeft", "frmHeight", "frmWidth"})
            values << ReadIniValue(env.ini(), QStringLiteral("UserSettings"), QLatin1String(key), QString());
        return values;
    }

private slots:
    void fiveStartsStoreTheSameGeometry_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::newRow("first start") << QByteArray();
        QTest::newRow("stored geometry")
            << QByteArray("[UserSettings]\r\nfrmTop=1500\r\nfrmLeft=2250\r\nfrmHeight=8100\r\nfrmWidth=9000\r\n");
    }

    void fiveStartsStoreTheSameGeometry()
    {
        QFETCH(QByteArray, ini);
        TestWindow env;
        if (!ini.isEmpty())
            WriteIniValue(env.ini(), QStringLiteral("UserSettings"), QStringLiteral("frmTop"), QStringLiteral("1500")),
                WriteIniValue(env.ini(), QStringLiteral("UserSettings"), QStringLiteral("frmLeft"), QStringLiteral("2250")),
                WriteIniValue(env.ini(), QStringLiteral("UserSettings"), QStringLiteral("frmHeight"), QStringLiteral("8100")),
                WriteIniValue(env.ini(), QStringLiteral("UserSettings"), QStringLiteral("frmWidth"), QStringLiteral("9000"));
        QStringList first;
        for (int start = 1; start <= 5; ++start) {
            env.start();
            // The window manager has framed and placed the window.
            QTRY_VERIFY(env.window->frameGeometry() != env.window->geometry());
            QTest::qWait(300);
            env.window->close();
            const QStringList values = stored(env);
            if (start == 1) {
                first = values;
                if (!ini.isEmpty())
                    QCOMPARE(values, (QStringList{"1500", "2250", "8100", "9000"}));
            } else {
                QCOMPARE(values, first);
            }
        }
    }

    // Totals in three units make a status line wider than the screen: the
    // line is cut short and the window stays on the screen. A stored width
    // larger than the screen, left by such a line, is fitted at start.
    void longStatusLineStaysOnTheScreen_data()
    {
        QTest::addColumn<QString>("storedWidth");
        QTest::addColumn<bool>("readings");
        QTest::newRow("totals in three units") << QString() << true;
        QTest::newRow("stored wider than the screen") << QStringLiteral("25350") << false;
    }

    void longStatusLineStaysOnTheScreen()
    {
        QFETCH(QString, storedWidth);
        QFETCH(bool, readings);
        TestWindow env;
        if (!storedWidth.isEmpty())
            WriteIniValue(env.ini(), QStringLiteral("UserSettings"), QStringLiteral("frmWidth"), storedWidth);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        frm1 &w = env.start();
        QTRY_VERIFY(w.frameGeometry() != w.geometry());
        if (readings) {
            readWideWeights(w);
            auto *totals = w.findChild<QLabel *>(QStringLiteral("lblTotals"));
            QTRY_VERIFY(totals->toolTip().contains(QStringLiteral("lb")));
            QVERIFY(totals->fontMetrics().horizontalAdvance(totals->text()) > screen.width() / 2);
            QVERIFY(totals->geometry().right() <= w.statusBar()->width());
        }
        QTest::qWait(500); // laid out and framed again, if it were to grow
        QVERIFY2(screen.contains(w.frameGeometry()), qPrintable(QStringLiteral("%1 px wide").arg(w.frameGeometry().width())));
        QVERIFY(w.minimumSizeHint().width() <= screen.width());

        w.close();
        const int stored = ReadIniValue(env.ini(), QStringLiteral("UserSettings"), QStringLiteral("frmWidth"), {}).toInt();
        QVERIFY2(stored <= screen.width() * 15, qPrintable(QString::number(stored)));
    }

    // "Табло" in full screen on small, usual and wide screens: F11 gives the
    // whole screen with every text in sight, and F11 again the window as it was.
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
        readWideWeights(w);
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

TAROVIK_X11_TEST_MAIN(TestX11Geometry, true)
#include "tst_x11geometry.moc"

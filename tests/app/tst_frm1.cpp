#include "app/frm1.h"

#include "journal/JournalGrid.h"
#include "settings/IniTxt.h"
#include "settings/frmSettings.h"
#include "support/TestWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <memory>

// The main window: its controls, start-up, layout on resize, the commands
// and what it stores when it closes.
class TestFrm1 : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestWindow> m_env;

    frm1 *start() { return &m_env->start(); }
    QString ini() const { return m_env->ini(); }
    QString stored(const char *key) const
    {
        return ReadIniValue(ini(), QStringLiteral("UserSettings"), QLatin1String(key), QStringLiteral("none"));
    }

    template <typename W>
    static W *child(QObject &parent, const char *name)
    {
        W *w = parent.findChild<W *>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }

    static int twips(int pixels) { return pixels * 15; }
    static int outerHeight(QWidget &w) { return twips(w.frameGeometry().height()); }

    static void addRows(frm1 &w, int n)
    {
        for (int i = 1; i <= n; ++i)
            w.journal().AddItem(QStringLiteral("%1\t%1\t1.000\tkg\tS\tt\tn").arg(i));
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestWindow>();
    }

    void controlsByName()
    {
        frm1 *w = start();
        QCOMPARE(w->objectName(), QStringLiteral("frm1"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Tarovik_RS232"));
        QCOMPARE(child<QLabel>(*w, "lblCurFileName")->text(), QStringLiteral("Новый"));
        QCOMPARE(child<QLabel>(*w, "Label2")->text(), QStringLiteral("JW-1"));
        QCOMPARE(child<QLabel>(*w, "lblPrim")->text(), QStringLiteral("Примечание:"));
        QVERIFY(child<QLineEdit>(*w, "txtPrim")->isVisible());
        QVERIFY(!child<QLineEdit>(*w, "Text1")->isVisible());
        QVERIFY(child<QTableView>(*w, "Grid1")->isVisible());
        QVERIFY(!child<QWidget>(*w, "txtChat")->isVisible());
        QVERIFY(child<QStatusBar>(*w, "sbrChat")->isVisible());
        QCOMPARE(w->journal().Cols(), 7);
        QCOMPARE(w->journal().Rows(), 1);

        const QList<QPair<const char *, QString>> buttons = {
            {"tbrCreate", "Создать"},
            {"tbrOpen", "Открыть"},
            {"tbrSave", "Сохранить"},
            {"tbrClear", "Удалить запись"},
            {"tbrReadAllPlu", "Начать прием данных"},
            {"tbrStopRead", "Остановить прием данных"},
            {"tbrExit", "Выход"},
        };
        QToolBar *bar = child<QToolBar>(*w, "tbr1");
        QCOMPARE(bar->actions().size(), buttons.size());
        for (int i = 0; i < buttons.size(); ++i) {
            QAction *a = bar->actions().at(i);
            QCOMPARE(a->objectName(), QLatin1String(buttons[i].first));
            QCOMPARE(a->toolTip(), buttons[i].second);
            QVERIFY(!a->icon().isNull());
            auto *button = child<QToolButton>(*bar, buttons[i].first);
            QCOMPARE(button->accessibleName(), buttons[i].second);
        }

        QMenu *file = child<QMenu>(*w, "mnuFile");
        QCOMPARE(file->title(), QStringLiteral("Файл"));
        QCOMPARE(child<QMenu>(*w, "mnuServ")->title(), QStringLiteral("Сервис"));
        const QList<QPair<const char *, QString>> items = {
            {"mnuCreate", "Создать"}, {"mnuOpen", "Открыть"}, {"mnuAddFrom", "Добавить из ..."},
            {"mnuSaveAs", "Сохранить как"}, {"mnuSettings", "Настройки"}};
        for (const auto &item : items)
            QCOMPARE(child<QAction>(*w, item.first)->text(), item.second);
        QVERIFY(!child<QAction>(*w, "mnuAddFrom")->isEnabled());
        QVERIFY(child<QAction>(*w, "mnuSaveAs")->isEnabled());
    }

    void designedPlaces()
    {
        frm1 *w = start();
        const QList<QPair<const char *, QRect>> places = {
            {"lblCurFileName", {120, 480, 3015, 255}}, {"lblPrim", {3480, 480, 1335, 255}},
            {"txtPrim", {3480, 690, 3015, 285}},       {"Text1", {960, 480, 1095, 375}}};
        for (const auto &p : places) {
            const QRect g = child<QWidget>(*w, p.first)->geometry();
            QCOMPARE(twips(g.x()), p.second.x());
            QCOMPARE(twips(g.y()), p.second.y());
            QVERIFY(qAbs(twips(g.height()) - p.second.height()) < 15);
        }
        const QRect grid = child<QWidget>(*w, "Grid1")->geometry();
        QCOMPARE(twips(grid.topLeft().x()), 0);
        QCOMPARE(twips(grid.y()), 1080);
    }

    void resizeArithmetic()
    {
        frm1 *w = start();
        QWidget *grid = child<QWidget>(*w, "Grid1");
        QWidget *chat = child<QWidget>(*w, "txtChat");
        // Data-stream window off: the grid's bottom is the outer height - 1000.
        QVERIFY(qAbs(twips(grid->geometry().bottom() + 1) - (outerHeight(*w) - 1000)) < 15);
        QVERIFY(qAbs(twips(grid->width()) - (twips(w->frameGeometry().width()) - 100)) < 15);
        QVERIFY(!chat->isVisible());

        const int gridWidth = grid->width();
        w->resize(w->width() + 1, w->height());
        QTRY_COMPARE(grid->width(), gridWidth + 1);
        QCOMPARE(chat->width(), grid->width());

        child<QCheckBox>(w->settingsDialog(), "chkShowStreamData")->click();
        QVERIFY(chat->isVisible());
        QVERIFY(qAbs(twips(grid->height()) - (outerHeight(*w) - 4600)) < 15);
        QVERIFY(qAbs(twips(chat->y()) - (twips(grid->geometry().bottom() + 1) + 100)) < 15);
        QCOMPARE(twips(chat->height()), 2205 - 2205 % 15);

        w->resize(100, 100); // far too small: nothing negative
        QTRY_COMPARE(grid->height(), 0);
        QCOMPARE(grid->width() >= 0, true);
    }

    void changeMaketRebuildsJournal()
    {
        frm1 *w = start();
        addRows(*w, 3);
        frmSettings &s = w->settingsDialog();
        child<QCheckBox>(s, "chkShowStreamData")->click();
        QVERIFY(child<QWidget>(*w, "txtChat")->isVisible());
        QCOMPARE(w->journal().Rows(), 1);

        addRows(*w, 2);
        child<QRadioButton>(s, "optTypeScale_2")->click();
        QCOMPARE(w->journal().Cols(), 9);
        QCOMPARE(w->journal().Rows(), 1);
        QCOMPARE(w->journal().TextMatrix(0, 5), QStringLiteral("Колич. "));
        QCOMPARE(child<QLabel>(*w, "Label2")->text(), QStringLiteral("JW-1C,  PC-100E"));
        child<QRadioButton>(s, "optTypeScale_3")->click();
        QCOMPARE(w->journal().Cols(), 7);
    }

    void geometryStoredAndRestored_data()
    {
        QTest::addColumn<bool>("byExitButton");
        QTest::newRow("close box") << false;
        QTest::newRow("tbrExit") << true;
    }

    void geometryStoredAndRestored()
    {
        QFETCH(bool, byExitButton);
        QRect frame;
        {
            frm1 *w = start();
            w->move(40, 30);
            w->resize(600, 500);
            QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(40, 30));
            frame = w->frameGeometry();
            if (byExitButton)
                w->tbr1_ButtonClick(QStringLiteral("tbrExit"));
            else
                w->close();
            QVERIFY(!w->isVisible());
        }
        QCOMPARE(stored("frmTop"), QString::number(twips(frame.y())));
        QCOMPARE(stored("frmLeft"), QString::number(twips(frame.x())));
        QCOMPARE(stored("frmHeight"), QString::number(twips(frame.height())));
        QCOMPARE(stored("frmWidth"), QString::number(twips(frame.width())));
        QFile f(ini());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().startsWith("[UserSettings]\r\nfrmTop="));

        frm1 *again = start();
        QCOMPARE(again->frameGeometry(), frame);
    }

    // Starting and closing again and again stores the same four values
    // (tst_x11geometry shows it under a real window manager).
    void fiveStartsStoreTheSameGeometry()
    {
        QStringList first;
        for (int i = 0; i < 5; ++i) {
            start()->close();
            const QStringList values{stored("frmTop"), stored("frmLeft"), stored("frmHeight"), stored("frmWidth")};
            if (i == 0)
                first = values;
            QCOMPARE(values, first);
        }
    }

    void storedGeometryOffScreen()
    {
        WriteIniValue(ini(), "UserSettings", "frmTop", "150000");
        WriteIniValue(ini(), "UserSettings", "frmLeft", "-90000");
        WriteIniValue(ini(), "UserSettings", "frmHeight", "7000");
        WriteIniValue(ini(), "UserSettings", "frmWidth", "x");
        frm1 *w = start();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(w->frameGeometry().center()));
        QCOMPARE(w->frameGeometry().height(), 7000 / 15);
        QVERIFY(w->width() > 0);
    }

    void commands()
    {
        frm1 *w = start();
        w->tbr1_ButtonClick(QStringLiteral("tbrexit")); // keys compare with case
        w->tbr1_ButtonClick(QStringLiteral("nothing"));
        QVERIFY(w->isVisible());

        child<QAction>(*w, "mnuSettings")->trigger();
        frmSettings &s = w->settingsDialog();
        QVERIFY(s.isVisible());
        QVERIFY(!s.isModal());
        child<QAction>(*w, "mnuSettings")->trigger(); // the one dialog again
        int dialogs = 0;
        for (QWidget *top : QApplication::topLevelWidgets())
            dialogs += qobject_cast<frmSettings *>(top) != nullptr;
        QCOMPARE(dialogs, 1);
        QVERIFY(s.isVisible());

        w->ShowText(QStringLiteral("Готово"));
        QCOMPARE(child<QStatusBar>(*w, "sbrChat")->currentMessage(), QStringLiteral("Готово"));

        w->tbr1_ButtonClick(QStringLiteral("tbrExit"));
        QVERIFY(!w->isVisible());
        QVERIFY(!s.isVisible());
    }
};

QTEST_MAIN(TestFrm1)
#include "tst_frm1.moc"

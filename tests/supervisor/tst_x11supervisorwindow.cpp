// "Все весы" over a real server, driven with real input on a real X server:
// opened from the main window's menu on the connection of its Init.ini, its
// controls named for a screen reader, stations chosen, a note's text typed,
// the totals, a row's history on a double click, a deletion at a station,
// with and without the deleted rows shown, and the selection exported.
#include "support/TestWindow.h"

#include "support/CentralServer.h"
#include "settings/ProfileFile.h"
#include "support/WorkbookRows.h"
#include "support/XServer.h"
#include "supervisor/SupervisorModel.h"
#include "supervisor/SupervisorWindow.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QTableWidget>

namespace {

// What waits on the server's answer (through the reader's thread, under the
// sanitizers on a loaded machine) is given long: the limit only ends a test
// that fails anyway.
constexpr int ServerMs = 30000;

QStringList rows(const QAbstractItemModel &model)
{
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r)
        out << model.index(r, 0).data().toString() + QLatin1Char('/') + model.index(r, 1).data().toString();
    return out;
}

// A real click (or two) at a point of a widget.
bool click(const QWidget *widget, QPoint at, int times = 1)
{
    at = widget->mapToGlobal(at);
    return XServer::xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y()), "click",
                             "--repeat", QString::number(times), "--delay", "60", "1"});
}

} // namespace

class tst_SupervisorWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<Appender> m_one, m_two;
    TestWindow m_program;
    SupervisorWindow *m_window = nullptr;

    // "Сервис" → "Все весы", clicked.
    bool openFromMenu()
    {
        frm1 &main = *m_program.window;
        auto *service = main.menuBar()->findChild<QMenu *>(QStringLiteral("mnuServ"));
        if (!click(main.menuBar(), main.menuBar()->actionGeometry(service->menuAction()).center()))
            return false;
        if (!QTest::qWaitFor([&] { return service->isVisible(); }, XServer::WindowTimeoutMs))
            return false;
        auto *item = main.findChild<QAction *>(QStringLiteral("mnuAllScales"));
        return item && click(service, service->actionGeometry(item).center());
    }

    template <typename W>
    W *control(const char *name)
    {
        return m_window->findChild<W *>(QLatin1String(name));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(ready(), "the server fixture has not started");
        m_one = std::make_unique<Appender>(QStringLiteral("Весы 21"));
        m_two = std::make_unique<Appender>(QStringLiteral("Весы 22"));
        m_one->record(today(9), QStringLiteral("  1.250"), QStringLiteral("kg"), QStringLiteral("партия 5"));
        m_one->record(today(10), QStringLiteral("  2.000"), QStringLiteral("kg"));
        m_two->record(today(9, 30), QStringLiteral("  3.000"), QStringLiteral("kg"), QStringLiteral("Партия 6"));
        // The central settings as the settings dialog keeps them.
        for (const auto &[key, value] : {std::pair{"Host", environment().value("PGHOST")}, {"Port", environment().value("PGPORT")}, {"Database", QStringLiteral("tarovik")},
                                         {"User", QStringLiteral("viewer")}}) {
            QVERIFY(ProfileFile::writeString(m_program.ini(), QStringLiteral("Central"), QLatin1String(key), value));
        }
        m_program.start();

        // Opened from the menu; opened again, the same window.
        QVERIFY(openFromMenu());
        QTRY_VERIFY_WITH_TIMEOUT((m_window = m_program.window->findChild<SupervisorWindow *>()), XServer::WindowTimeoutMs);
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Все весы"));
        m_window->hide();
        QVERIFY(openFromMenu());
        QTRY_VERIFY_WITH_TIMEOUT(m_window->isVisible(), XServer::WindowTimeoutMs);
        QCOMPARE(m_program.window->findChildren<SupervisorWindow *>().size(), 1);
        // Each control named for a screen reader.
        for (const char *name : {"lstStations", "cboPeriod", "txtShifts", "dtpFrom", "dtpTo", "txtNote", "txtUnit",
                                 "chkDeleted", "grdAll", "lblTotals", "lblState", "cmdExportExcel", "cmdExportPdf"}) {
            const QWidget *w = m_window->findChild<QWidget *>(QLatin1String(name));
            QVERIFY2(w && !w->accessibleName().isEmpty(), name);
        }
    }

    void cleanupTestCase()
    {
        m_program.window.reset();
    }

    void stations_note_totals_and_history()
    {
        auto *stations = control<QListWidget>("lstStations");
        QTRY_VERIFY_WITH_TIMEOUT(stations->count() >= 2, ServerMs);
        for (int i = 0; i < stations->count(); ++i) {
            const QString uuid = stations->item(i)->data(Qt::UserRole).toString();
            if (uuid == m_one->uuid || uuid == m_two->uuid)
                stations->item(i)->setCheckState(Qt::Checked);
        }
        const QAbstractItemModel &model = *control<QTableView>("grdAll")->model();
        QTRY_COMPARE_WITH_TIMEOUT(rows(model), (QStringList{"Весы 21/1", "Весы 22/1", "Весы 21/2"}), ServerMs);
        QTRY_COMPARE_WITH_TIMEOUT(control<QLabel>("lblState")->text(), QStringLiteral("Центральная база на связи."), ServerMs);

        auto *note = control<QLineEdit>("txtNote");
        QVERIFY(click(note, note->rect().center()));
        QTRY_VERIFY(note->hasFocus());
        // The keys go where the X server's focus is: the window manager may
        // give it to the window after the click has been handled.
        QTRY_VERIFY_WITH_TIMEOUT(m_window->isActiveWindow(), XServer::WindowTimeoutMs);
        QVERIFY(XServer::type(QStringLiteral("партия"), 60));
        QTRY_COMPARE(note->text(), QStringLiteral("партия"));
        QTRY_COMPARE_WITH_TIMEOUT(rows(model), (QStringList{"Весы 21/1", "Весы 22/1"}), ServerMs);
        auto *totals = control<QLabel>("lblTotals");
        QTRY_VERIFY2_WITH_TIMEOUT(totals->text().startsWith(QStringLiteral("Весы 21: Итого: 1 строка, сумма 1,250 kg")),
                                  qPrintable(totals->text()), ServerMs);
        QVERIFY(totals->text().contains(QStringLiteral("Все выбранные: Итого: 2 строки, сумма 4,250 kg")));

        // A note changed at the station, then the row's history.
        m_one->changeNote(1, QStringLiteral("партия 5"), QStringLiteral("партия 5, проверено"));
        QTRY_COMPARE_WITH_TIMEOUT(model.index(0, 8).data().toString(), QStringLiteral("партия 5, проверено"), ServerMs);
        auto *table = control<QTableView>("grdAll");
        const QRect cell = table->visualRect(model.index(0, 2));
        QVERIFY(click(table->viewport(), cell.center(), 2));
        QTableWidget *history = nullptr;
        QTRY_VERIFY((history = m_window->findChild<QTableWidget *>(QStringLiteral("grdHistory"))));
        QCOMPARE(history->rowCount(), 2);
        QCOMPARE(history->item(0, 4)->text(), QStringLiteral("записано"));
        QCOMPARE(history->item(1, 4)->text(), QStringLiteral("примечание изменено"));
        QCOMPARE(history->item(1, 5)->text(), QStringLiteral("партия 5"));
        QCOMPARE(history->item(1, 6)->text(), QStringLiteral("партия 5, проверено"));
        QCOMPARE(history->item(1, 1)->text(), QStringLiteral("Весы 21"));
        history->window()->close();

        // Deleted at a station: gone, then shown again with the check box.
        m_two->remove(1);
        QTRY_COMPARE_WITH_TIMEOUT(rows(model), QStringList{"Весы 21/1"}, ServerMs);
        auto *deleted = control<QCheckBox>("chkDeleted");
        QVERIFY(click(deleted, QPoint(8, deleted->height() / 2)));
        QTRY_COMPARE_WITH_TIMEOUT(rows(model), (QStringList{"Весы 21/1", "Весы 22/1"}), ServerMs);
        QVERIFY(model.index(1, 0).data(SupervisorModel::DeletedRole).toBool());
    }

    // What the filters show, read from the server anew: the station first,
    // the deleted reading marked, weights as numbers, then the totals of
    // each station (of the readings not deleted) and of all of them.
    void exports()
    {
        const QString path = m_program.folder.filePath(QStringLiteral("все.xlsx"));
        m_program.dialogs.choices = {path};
        auto *button = control<QPushButton>("cmdExportExcel");
        QVERIFY(click(button, button->rect().center()));
        QTRY_VERIFY_WITH_TIMEOUT(m_program.messages.texts().contains("Данные сохранены в файле " + path), ServerMs);
        const QJsonArray rows = workbookRows(path);
        QVERIFY(rows.size() >= 6);
        const auto row = [&](int r) {
            QStringList cells;
            for (const QJsonValue &c : rows[r].toArray()) {
                const QJsonArray typed = c.toArray();
                cells << typed[0].toString() + QLatin1Char(':') + typed[1].toVariant().toString();
            }
            return cells.mid(0, 5).join(QLatin1Char('|'));
        };
        QCOMPARE(row(0), QStringLiteral("s:Станция|s:Удалена|s:№ п.п|s:Вес|s:Ед. изм."));
        QCOMPARE(row(1), QStringLiteral("s:Весы 21|n:|n:1|n:1.25|s:kg"));
        QCOMPARE(row(2), QStringLiteral("s:Весы 22|s:да|n:1|n:3|s:kg"));
        QCOMPARE(rows[4].toArray()[0].toArray()[1].toString(), QStringLiteral("Весы 21: Итого: 1 строка"));
        QCOMPARE(row(5).section(QLatin1Char('|'), 3, 4), QStringLiteral("n:1.25|s:kg"));
        QCOMPARE(rows[6].toArray()[0].toArray()[1].toString(), QStringLiteral("Все выбранные: Итого: 1 строка"));

        // The same selection on paper, read back by another program.
        const QString pdf = m_program.folder.filePath(QStringLiteral("все.pdf"));
        m_program.dialogs.choices = {pdf};
        button = control<QPushButton>("cmdExportPdf");
        QVERIFY(click(button, button->rect().center()));
        QTRY_VERIFY_WITH_TIMEOUT(m_program.messages.texts().contains("Данные сохранены в файле " + pdf), ServerMs);
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(60000));
        const QString page = QString::fromUtf8(text.readAllStandardOutput()).simplified();
        for (const QString &expected : {QStringLiteral("Журнал: Все весы"), QStringLiteral("Весы: Весы 21, Весы 22"),
                                        QStringLiteral("Весы 21 1 1.250 kg"), QStringLiteral("Весы 22 да 1 3.000 kg"),
                                        QStringLiteral("Все выбранные: Итого: 1 строка, сумма 1,250 kg")})
            QVERIFY2(page.contains(expected), qPrintable(expected + QStringLiteral(" not in: ") + page));
    }
};

TAROVIK_X11_TEST_MAIN(tst_SupervisorWindow, false)
#include "tst_x11supervisorwindow.moc"

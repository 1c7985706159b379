// "Центральная база" on a real X server under a window manager, opened from
// the main window's menu and filled in with real clicks and keys: OK writes
// Init.ini (never the password) and the pgpass file, Cancel writes nothing,
// input the station could not connect with is told and keeps the window
// open, and "Проверить" answers while the window goes on.
#include "app/frm1.h"
#include "central/CentralSettings.h"
#include "central/CentralTexts.h"
#include "station/CentralDialog.h"
#include "station/Station.h"
#include "support/TestFiles.h"
#include "support/TestWindow.h"
#include "support/XServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSignalSpy>
#include <QPushButton>
#include <QTest>

class TestX11Central : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestWindow> m_program;
    QPointer<CentralDialog> m_dialog;

    QString ini() const { return m_program->folder.filePath("Init.ini"); }

    // A real click in the middle of a rectangle of a widget.
    static bool click(const QWidget *widget, const QRect &rect)
    {
        const QPoint at = widget->mapToGlobal(rect.center());
        return XServer::xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y()), "click", "1"});
    }
    static bool click(const QWidget *widget) { return click(widget, widget->rect()); }
    template <typename W> W *control(const char *name) const
    {
        return m_dialog ? m_dialog->findChild<W *>(QLatin1String(name)) : nullptr;
    }
    // Clicks into a box, selects what it holds and types over it. The keys
    // go where the focus is once the click has been handled.
    bool typeInto(const char *name, const QString &text)
    {
        auto *box = control<QLineEdit>(name);
        return box && click(box) && QTest::qWaitFor([box] { return box->hasFocus(); }, XServer::WindowTimeoutMs)
               && XServer::xdotool({"key", "ctrl+a"}) && XServer::type(text, 60);
    }

    // "Сервис" → "Центральная база..." with the pointer.
    void openByMenu()
    {
        m_program = std::make_unique<TestWindow>();
        frm1 &window = m_program->start();
        auto *item = window.findChild<QAction *>(QStringLiteral("mnuCentral"));
        QVERIFY(item);
        auto *service = qobject_cast<QMenu *>(item->parent());
        QVERIFY(service);
        QVERIFY(click(window.menuBar(), window.menuBar()->actionGeometry(service->menuAction())));
        QTRY_VERIFY_WITH_TIMEOUT(service->isVisible(), XServer::WindowTimeoutMs);
        QVERIFY(click(service, service->actionGeometry(item)));
        QTRY_VERIFY_WITH_TIMEOUT((m_dialog = window.findChild<CentralDialog *>(QStringLiteral("frmCentral")))
                                     && QApplication::activeWindow() == m_dialog,
                                 XServer::WindowTimeoutMs);
    }

private slots:
    void cleanup() { m_program.reset(); }

    void filledIn_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("OK writes the settings") << "ok";
        QTest::newRow("Cancel writes nothing") << "cancel";
        QTest::newRow("verify-full without a root certificate is told") << "no root";
        QTest::newRow("Проверить tells an unknown host") << "check";
    }
    void filledIn()
    {
        QFETCH(QString, action);
        openByMenu();
        const QString cert = m_program->folder.filePath("корень.crt");
        QVERIFY(TestFiles::put(cert, "-----BEGIN CERTIFICATE-----\n"));
        const QString password = QStringLiteral("пароль:1");

        QVERIFY(click(control<QCheckBox>("chkCentral")));
        QVERIFY(typeInto("txtHost", action == "check" ? "no-such-host.invalid" : "db.example.org"));
        QVERIFY(typeInto("txtPort", "6543"));
        QVERIFY(typeInto("txtUser", "station_3"));
        QVERIFY(typeInto("txtStationName", QStringLiteral("Весы 3, склад")));
        QVERIFY(typeInto("txtPassword", password));
        if (action != "no root") {
            m_program->dialogs.choices = {cert};
            QVERIFY(click(control<QWidget>("cmdSslRootCert")));
            QTRY_COMPARE(control<QLineEdit>("txtSslRootCert")->text(), cert);
        }
        QVERIFY(XServer::xdotool({"key", "alt+t", "End"})); // the mode's label leads to its list
        QTRY_COMPARE(control<QComboBox>("cboSslMode")->currentText(), QStringLiteral("verify-full"));

        if (action == "check") {
            QVERIFY(click(control<QPushButton>("cmdCheck")));
            QTRY_COMPARE_WITH_TIMEOUT(control<QLabel>("lblCheckResult")->text(),
                                      CentralTexts::hostUnknown("no-such-host.invalid"), 20000);
            QVERIFY(control<QPushButton>("cmdCheck")->isEnabled());
            return;
        }
        QSignalSpy changed(&m_program->window->station(), &Station::centralSettingsChanged);
        QVERIFY(click(m_dialog->findChild<QPushButton *>(action == "cancel" ? "cmdCancel" : "cmdOK")));
        if (action == "no root") {
            QTRY_COMPARE(m_program->messages.texts(), QStringList{CentralTexts::rootCertMissing()});
            QVERIFY(m_dialog && m_dialog->isVisible());
        } else {
            QTRY_VERIFY(!m_dialog);
        }

        QCOMPARE(changed.size(), action == "ok" ? 1 : 0);
        const CentralSettings stored = CentralSettings::read(ini());
        const QByteArray pgpass = TestFiles::bytesOf(m_program->folder.filePath(CentralSettings::passFileName()));
        if (action != "ok") {
            QVERIFY(!TestFiles::bytesOf(ini()).contains("[Central]"));
            QCOMPARE(pgpass, QByteArray("<none>"));
            return;
        }
        QVERIFY(m_program->messages.texts().isEmpty());
        QVERIFY(stored.enabled);
        const auto &c = stored.connection;
        QCOMPARE((QStringList{c.host, QString::number(c.port), c.database, c.user, c.sslMode, c.sslRootCert, c.stationName}),
                 (QStringList{"db.example.org", "6543", "tarovik", "station_3", "verify-full", cert, "Весы 3, склад"}));
        QVERIFY(!stored.connection.station.isNull());
        QVERIFY(!TestFiles::bytesOf(ini()).contains(QByteArray("пароль")));
        QCOMPARE(pgpass, QStringLiteral("db.example.org:6543:tarovik:station_3:пароль\\:1\n").toUtf8());
    }
};

TAROVIK_X11_TEST_MAIN(TestX11Central, true)
#include "tst_x11central.moc"

#include "settings/frmSettings.h"

#include "support/FakeSerialLine.h"
#include "support/FakeUserMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Answer = UserMessages::Answer;

// The settings dialog as the operator and the rest of the program see it.
class TestFrmSettings : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
    FakeSerialLine m_line;
    FakeUserMessages m_messages;
    QString m_caption;

    void writeIni(const QByteArray &bytes)
    {
        QFile f(m_ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    std::unique_ptr<frmSettings> load()
    {
        return std::make_unique<frmSettings>(m_ini, m_line, m_messages,
                                             [this](const QString &c) { m_caption = c; }, QIcon());
    }

    template <typename W>
    static W *child(QWidget &dialog, const QString &name)
    {
        W *w = dialog.findChild<W *>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }

    static QLineEdit *luft(QWidget &d, int i) { return child<QLineEdit>(d, QStringLiteral("arrLuft_%1").arg(i)); }
    static QRadioButton *option(QWidget &d, int i) { return child<QRadioButton>(d, QStringLiteral("optTypeScale_%1").arg(i)); }
    static QComboBox *port(QWidget &d) { return child<QComboBox>(d, QStringLiteral("lstCommNom")); }

    static void showActive(QWidget &d)
    {
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
    }

    // Typed into the port box as the operator does: replace, then keys.
    static void typePort(QWidget &d, const QString &keys)
    {
        QLineEdit *edit = port(d)->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, keys);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_ini = m_dir->filePath(QStringLiteral("Init.ini"));
        m_line.setExistingPorts({1});
        m_line.setHeldPorts({});
        m_line.clearLog();
        m_messages.clear();
        m_caption.clear();
    }

    void firstStart_data()
    {
        QTest::addColumn<QSet<int>>("ports");
        QTest::addColumn<QString>("portText");
        QTest::newRow("port 1 exists") << QSet<int>{1, 2} << "1";
        QTest::newRow("no port 1") << QSet<int>{2} << "";
    }

    void firstStart()
    {
        QFETCH(QSet<int>, ports);
        m_line.setExistingPorts(ports);
        auto d = load();
        for (const char *name : {"chkBell", "chkWriteZero", "chkUnstablResult", "chkShowStreamData"})
            QCOMPARE(child<QCheckBox>(*d, QLatin1String(name))->checkState(), Qt::Unchecked);
        QVERIFY(option(*d, 0)->isChecked());
        QCOMPARE(d->liveSettings().scaleTypeText(), QStringLiteral("0"));
        for (int i = 0; i < 6; ++i)
            QCOMPARE(luft(*d, i)->text(), QStringLiteral("0"));
        QCOMPARE(d->liveSettings().luftText(), QStringLiteral("0"));
        QTEST(d->liveSettings().portText(), "portText");
        QCOMPARE(m_caption, QStringLiteral("JW-1"));
        QCOMPARE(d->windowTitle(), QStringLiteral("Настройка"));
        QVERIFY(!d->isModal());
        QVERIFY(!child<QLineEdit>(*d, QStringLiteral("txtValTypeScale"))->isVisibleTo(d.get()));
        QVERIFY(!child<QLineEdit>(*d, QStringLiteral("txtLuft"))->isVisibleTo(d.get()));
        QVERIFY(m_messages.messages().isEmpty());
    }

    void captions()
    {
        auto d = load();
        const QStringList types = {"JW-1", "SI-1", "JW-1C,  PC-100E", "PC-100W,  PW-200", "PC-100", "AC-100"};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(option(*d, i)->text(), types[i]);
        QCOMPARE(child<QCheckBox>(*d, "chkBell")->text(), QStringLiteral("Звуковой сигнал при записи отсчета"));
        QCOMPARE(child<QCheckBox>(*d, "chkWriteZero")->text(), QStringLiteral("Записывать нулевой результат в журнал"));
        QCOMPARE(child<QCheckBox>(*d, "chkUnstablResult")->text(), QStringLiteral("Записывать нестабильный результат в журнал"));
        QCOMPARE(child<QCheckBox>(*d, "chkShowStreamData")->text(), QStringLiteral("Отображать окно потока данных"));
        QCOMPARE(child<QPushButton>(*d, "btnSave")->text(), QStringLiteral("Сохранить"));
        QCOMPARE(child<QPushButton>(*d, "btnExit")->text(), QStringLiteral("Выход"));

        // The dead zone is compared in the unit the scale sends: the heading
        // says so, whole and inside its frame.
        const QLabel *zone = child<QLabel>(*d, "Label1");
        QCOMPARE(zone->text(), QStringLiteral("Зона нечувствительности (в единицах весов)"));
        QVERIFY(zone->width() >= zone->sizeHint().width());
        QVERIFY(zone->geometry().right() < child<QFrame>(*d, "Shape1")->geometry().right());
    }

    void saveAndRestart()
    {
        m_line.setExistingPorts({1, 3});
        {
            auto d = load();
            QTest::mouseClick(child<QPushButton>(*d, "btnSave"), Qt::LeftButton);
            QFile f(m_ini);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("[UserSettings]\r\nchkBell=0\r\nchkWriteZero=0\r\nchkUnstablResult=0\r\n"
                                             "chkShowStreamData=0\r\narrLuft_0=0\r\narrLuft_1=0\r\narrLuft_2=0\r\n"
                                             "arrLuft_3=0\r\narrLuft_4=0\r\narrLuft_5=0\r\ntxtValTypeScale=0\r\n"
                                             "[LastSettings]\r\nCommNom=1\r\n"));
            option(*d, 4)->click();
            luft(*d, 4)->setText(QStringLiteral("2,5"));
            child<QCheckBox>(*d, "chkBell")->click();
            child<QCheckBox>(*d, "chkShowStreamData")->click();
            port(*d)->setEditText(QStringLiteral("3"));
            QTest::mouseClick(child<QPushButton>(*d, "btnSave"), Qt::LeftButton);
        }
        auto d = load();
        QCOMPARE(d->liveSettings().scaleTypeText(), QStringLiteral("4"));
        QVERIFY(option(*d, 4)->isChecked());
        QCOMPARE(d->liveSettings().luftText(), QStringLiteral("2,5"));
        QCOMPARE(d->liveSettings().bell(), 1);
        QCOMPARE(d->liveSettings().showStreamData(), 1);
        QCOMPARE(d->liveSettings().writeZero(), 0);
        QCOMPARE(d->liveSettings().portText(), QStringLiteral("3"));
        QCOMPARE(m_caption, QStringLiteral("PC-100"));
    }

    void badStoredValues()
    {
        writeIni("[UserSettings]\r\nchkBell=7\r\nchkWriteZero=2\r\ntxtValTypeScale=9\r\narrLuft_0=abc\r\n"
                 "[LastSettings]\r\nCommNom=abc\r\n");
        auto d = load();
        QCOMPARE(d->liveSettings().bell(), 0);
        QCOMPARE(d->liveSettings().writeZero(), 2); // greyed is a state a check box can hold
        QCOMPARE(d->liveSettings().scaleTypeText(), QStringLiteral("0"));
        QVERIFY(option(*d, 0)->isChecked());
        QCOMPARE(d->liveSettings().luftText(), QStringLiteral("0"));
        QCOMPARE(d->liveSettings().portText(), QString());
        QVERIFY(m_messages.messages().isEmpty());
    }

    void typeSelection()
    {
        auto d = load();
        luft(*d, 1)->setText(QStringLiteral("4"));
        QSignalSpy changes(d.get(), &frmSettings::ChangeMaket);
        option(*d, 1)->click();
        QCOMPARE(d->liveSettings().scaleTypeText(), QStringLiteral("1"));
        QCOMPARE(d->liveSettings().luftText(), QStringLiteral("4"));
        QCOMPARE(m_caption, QStringLiteral("SI-1"));
        QCOMPARE(changes.count(), 1);
        option(*d, 1)->click(); // already selected: nothing new
        QCOMPARE(changes.count(), 1);
    }

    void streamFlagRaisesChangeMaket()
    {
        auto d = load();
        QSignalSpy changes(d.get(), &frmSettings::ChangeMaket);
        auto *flag = child<QCheckBox>(*d, "chkShowStreamData");
        flag->click();
        flag->click();
        QCOMPARE(changes.count(), 2);
        child<QCheckBox>(*d, "chkBell")->click();
        QCOMPARE(changes.count(), 2);
    }

    void luftKeyFilter()
    {
        auto d = load();
        showActive(*d);
        QLineEdit *box = luft(*d, 0);
        box->setFocus();
        box->clear();
        QTest::keyClicks(box, QStringLiteral("1.5"));
        QCOMPARE(box->text(), QStringLiteral("1,5"));
        QTest::keyClicks(box, QStringLiteral(",.a"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->text(), QStringLiteral("1,5"));
        box->setCursorPosition(0);
        QTest::keyClick(box, Qt::Key_Delete); // Delete is no typed character
        QCOMPARE(box->text(), QStringLiteral(",5"));
        QVERIFY(d->isVisible());
    }

    void leaveValidation()
    {
        auto d = load();
        showActive(*d);
        option(*d, 2)->click();
        luft(*d, 2)->setText(QStringLiteral("7"));
        option(*d, 3)->click();
        option(*d, 2)->click();
        QCOMPARE(d->liveSettings().luftText(), QStringLiteral("7"));

        luft(*d, 4)->setFocus();
        luft(*d, 4)->setText(QStringLiteral("3"));
        luft(*d, 5)->setFocus(); // leaves box 4: type 2 is the selected one
        QCOMPARE(d->liveSettings().luftText(), QStringLiteral("7"));
        QCOMPARE(luft(*d, 4)->text(), QStringLiteral("3"));
        option(*d, 4)->click();
        QCOMPARE(d->liveSettings().luftText(), QStringLiteral("3"));

        // Text that arrives otherwise than typed (a paste) is put right on leaving.
        luft(*d, 4)->setFocus();
        luft(*d, 4)->setText(QStringLiteral("1.25"));
        QCOMPARE(d->liveSettings().luftText(), QStringLiteral("3"));
        child<QPushButton>(*d, "btnSave")->setFocus();
        QCOMPARE(luft(*d, 4)->text(), QStringLiteral("1,25"));
        QCOMPARE(d->liveSettings().luftText(), QStringLiteral("1,25"));
    }

    void exitKeepsEdits()
    {
        auto d = load();
        showActive(*d);
        child<QCheckBox>(*d, "chkWriteZero")->click();
        QTest::mouseClick(child<QPushButton>(*d, "btnExit"), Qt::LeftButton);
        QVERIFY(!d->isVisible());
        QCOMPARE(d->liveSettings().writeZero(), 1);
        QVERIFY(!QFile::exists(m_ini)); // nothing saved

        showActive(*d);
        luft(*d, 0)->setFocus();
        luft(*d, 0)->setText(QStringLiteral("2.5"));
        d->close(); // the window frame's close box
        QVERIFY(!d->isVisible());
        QCOMPARE(d->liveSettings().luftText(), QStringLiteral("2,5"));
        QCOMPARE(d->liveSettings().writeZero(), 1);
    }

    void portScan_data()
    {
        QTest::addColumn<QSet<int>>("existing");
        QTest::addColumn<QSet<int>>("held");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("text");
        QTest::newRow("1 3 4, stored 3") << QSet<int>{1, 3, 4} << QSet<int>{} << QByteArray("3") << QStringList{"1", "3", "4"} << "3";
        QTest::newRow("1 3 4, stored 2") << QSet<int>{1, 3, 4} << QSet<int>{} << QByteArray("2") << QStringList{"1", "3", "4"} << "";
        QTest::newRow("held port listed") << QSet<int>{2, 16} << QSet<int>{2} << QByteArray("2") << QStringList{"2", "16"} << "2";
        QTest::newRow("17 is never scanned") << QSet<int>{17} << QSet<int>{} << QByteArray("17") << QStringList{} << "";
        QTest::newRow("none") << QSet<int>{} << QSet<int>{} << QByteArray("1") << QStringList{} << "";
    }

    void portScan()
    {
        QFETCH(QSet<int>, existing);
        QFETCH(QSet<int>, held);
        QFETCH(QByteArray, stored);
        m_line.setExistingPorts(existing);
        m_line.setHeldPorts(held);
        writeIni("[LastSettings]\r\nCommNom=" + stored + "\r\n");
        auto d = load();
        QStringList list;
        for (int i = 0; i < port(*d)->count(); ++i)
            list << port(*d)->itemText(i);
        QTEST(list, "list");
        QTEST(d->liveSettings().portText(), "text");
        QVERIFY(!m_line.portOpen());
        // Every probe: port number, then the probe settings, then an open.
        const QStringList log = m_line.log();
        QCOMPARE(log.count(QStringLiteral("Settings=115200,E,8,1")), 16);
        QCOMPARE(log.first(), QStringLiteral("CommPort=1"));
        QVERIFY(log.contains(QStringLiteral("CommPort=16")));
        QVERIFY(m_messages.messages().isEmpty());
    }

    void portCheck_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("messages");
        QTest::newRow("0") << "0" << "1" << 1;
        QTest::newRow("33 typed as 3 then 3") << "33" << "1" << 1;
        QTest::newRow("32") << "32" << "32" << 0;
        QTest::newRow("17 not listed but valid") << "17" << "17" << 0;
        QTest::newRow("letter") << "x" << "1" << 1;
        QTest::newRow("each wrong key is answered") << "ab" << "1" << 2;
        QTest::newRow("lone sign") << "-" << "1" << 1;
    }

    void portCheck()
    {
        QFETCH(QString, typed);
        m_line.setExistingPorts({1, 3});
        auto d = load();
        showActive(*d);
        typePort(*d, typed);
        QTEST(d->liveSettings().portText(), "text");
        QFETCH(int, messages);
        QCOMPARE(int(m_messages.messages().size()), messages);
        for (const FakeUserMessages::Message &m : m_messages.messages()) {
            QCOMPARE(m.text, QStringLiteral("Ошибка в номере порта !"));
            QCOMPARE(m.title, QStringLiteral("Tarovik_RS232"));
            QCOMPARE(m.icon, UserMessages::Icon::None);
        }
    }

    // A typed number is taken as typed: "1" stays 1 though 10 to 16 are
    // listed, and leaving the box keeps it.
    void typedPortIsNotCompleted()
    {
        m_line.setExistingPorts({10, 11, 12, 13, 14, 15, 16});
        auto d = load();
        showActive(*d);
        port(*d)->lineEdit()->setFocus();
        typePort(*d, QStringLiteral("1"));
        QTest::keyClick(port(*d)->lineEdit(), Qt::Key_Tab);
        QCOMPARE(d->liveSettings().portText(), QStringLiteral("1"));
        QVERIFY(m_messages.messages().isEmpty());
    }

    // Escape hides the dialog as "Выход" does: a dead zone being edited is
    // checked and put in force.
    void escapeValidatesLikeExit()
    {
        auto d = load();
        showActive(*d);
        luft(*d, 0)->setFocus();
        luft(*d, 0)->selectAll();
        QTest::keyClicks(luft(*d, 0), QStringLiteral("2.5"));
        QTest::keyClick(luft(*d, 0), Qt::Key_Escape);
        QVERIFY(!d->isVisible());
        QCOMPARE(luft(*d, 0)->text(), QStringLiteral("2,5"));
        QCOMPARE(d->liveSettings().luftText(), QStringLiteral("2,5"));
    }

    void portCheckEmptyAndPick()
    {
        m_line.setExistingPorts({1, 3});
        auto d = load();
        showActive(*d);
        port(*d)->lineEdit()->selectAll();
        QTest::keyClick(port(*d)->lineEdit(), Qt::Key_Delete);
        QCOMPARE(d->liveSettings().portText(), QStringLiteral("1"));
        port(*d)->setCurrentIndex(1);
        QCOMPARE(d->liveSettings().portText(), QStringLiteral("3"));
        QVERIFY(m_messages.messages().isEmpty());
    }
};

QTEST_MAIN(TestFrmSettings)
#include "tst_frmsettings.moc"

#include "app/frm1.h"

#include "files/FileCommands.h"
#include "journal/JournalGrid.h"
#include "settings/IniTxt.h"
#include "settings/frmSettings.h"
#include "support/TestWindow.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Answer = UserMessages::Answer;

// The main window asks before unsaved journal rows go: when it closes,
// when a file is opened and when the settings rebuild the journal.
class TestFrm1Files : public QObject
{
    Q_OBJECT

    const QString LoseChanges = u"Все изменения будут потеряны!\r\nСохранить изменения?"_s;

    std::unique_ptr<TestWindow> m_env;

    frm1 &window() { return *m_env->window; }
    // A journal row recorded and not saved yet.
    void record()
    {
        const int rows = window().journal().Rows();
        // A JW-1 frame: SOH STX, status, eight weight characters, the unit, three more.
        window().ReadFrom_Unit(u"\x01\x02S   1.000kg   "_s);
        QCOMPARE(window().journal().Rows(), rows + 1);
    }
    bool geometryStored() const
    {
        return ReadIniValue(m_env->ini(), u"UserSettings"_s, u"frmTop"_s, {}) != QString();
    }
    void closeBy(bool exitButton)
    {
        if (exitButton)
            window().tbr1_ButtonClick(u"tbrExit"_s);
        else
            window().close();
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestWindow>();
        m_env->start();
    }

    void cleanup() { m_env.reset(); }

    void closing_data()
    {
        QTest::addColumn<bool>("exitButton");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<int>("answer"); // -1: none expected
        QTest::addColumn<QString>("saveAs"); // chosen in the save dialog; empty: cancelled
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("closed");
        const QString saved = u"Данные сохранены в файле "_s;
        for (bool exitButton : {false, true}) {
            const char *by = exitButton ? "tbrExit" : "close box";
            QTest::addRow("%s, nothing to save", by) << exitButton << false << -1 << QString()
                                                     << QStringList() << true;
            QTest::addRow("%s, No", by) << exitButton << true << int(Answer::No) << QString()
                                        << QStringList{LoseChanges} << true;
            QTest::addRow("%s, Yes and saved", by) << exitButton << true << int(Answer::Yes) << u"j.txt"_s
                                                   << QStringList{LoseChanges, saved} << true;
            QTest::addRow("%s, Cancel", by) << exitButton << true << int(Answer::Cancel) << QString()
                                            << QStringList{LoseChanges} << false;
            QTest::addRow("%s, Yes and not saved", by)
                << exitButton << true << int(Answer::Yes) << QString()
                << QStringList{LoseChanges, u"Операция отменена."_s} << false;
        }
    }

    void closing()
    {
        QFETCH(bool, exitButton);
        QFETCH(bool, changed);
        QFETCH(int, answer);
        QFETCH(QString, saveAs);
        QFETCH(QStringList, texts);
        QFETCH(bool, closed);
        if (changed)
            record();
        else
            window().journal().AddItem(u"1\t1\tloaded"_s);
        const QString path = m_env->folder.filePath(saveAs.isEmpty() ? u"j.txt"_s : saveAs);
        if (!saveAs.isEmpty()) {
            m_env->dialogs.choices = {path};
            texts.last() += path;
        }
        if (answer >= 0)
            m_env->messages.answer({Answer(answer)});

        closeBy(exitButton);
        QCOMPARE(m_env->messages.texts(), texts);
        QCOMPARE(window().isVisible(), !closed);
        QCOMPARE(geometryStored(), closed);
        QCOMPARE(QFile::exists(path), !saveAs.isEmpty());
        if (!closed) { // the rows are still there, and still unsaved
            QCOMPARE(window().journal().Rows(), 2);
            m_env->messages.clear();
            closeBy(exitButton);
            QCOMPARE(m_env->messages.texts(), QStringList{LoseChanges});
            QVERIFY(!window().isVisible());
        }
    }

    void openAsksFirst()
    {
        const QString file = m_env->folder.filePath(u"o.txt"_s);
        QVERIFY(TestFiles::put(file, "7\t 2,000\tkg\tS\tt\tfrom file\r\n"));
        record();
        m_env->dialogs.choices = {file};
        window().tbr1_ButtonClick(u"tbrOpen"_s); // answered No
        QCOMPARE(m_env->messages.texts(), QStringList{LoseChanges});
        QCOMPARE(window().journal().TextMatrix(1, 6), u"from file"_s);
        QCOMPARE(window().findChild<QLabel *>(u"lblCurFileName"_s)->text(), file);
        QVERIFY(!window().fileCommands().changed());
    }

    // A new scale type rebuilds the journal empty once the operator lets
    // the rows go; when saving them fails they stay in their own columns.
    void layoutChangeAsksFirst()
    {
        record();
        m_env->messages.answer({Answer::Yes}); // the save dialog is cancelled
        window().settingsDialog().findChild<QRadioButton *>(u"optTypeScale_2"_s)->click();
        QCOMPARE(m_env->messages.texts(), (QStringList{LoseChanges, u"Операция отменена."_s}));
        QCOMPARE(window().journal().Rows(), 2);
        QCOMPARE(window().journal().Cols(), 7);
        QVERIFY(window().fileCommands().changed());

        m_env->messages.clear();
        window().settingsDialog().findChild<QRadioButton *>(u"optTypeScale_4"_s)->click(); // answered No
        QCOMPARE(m_env->messages.texts(), QStringList{LoseChanges});
        QCOMPARE(window().journal().Rows(), 1);
        QCOMPARE(window().journal().Cols(), 9);
        QVERIFY(!window().fileCommands().changed());
        m_env->messages.clear();
        window().close();
        QVERIFY(m_env->messages.texts().isEmpty());
    }

    // New and a layout rebuild empty the journal and forget the file it came
    // from: Save then writes nowhere, and nothing older is offered after a crash.
    void emptiedJournalForgetsItsFile_data()
    {
        QTest::addColumn<bool>("layout");
        QTest::newRow("tbrCreate") << false;
        QTest::newRow("layout rebuild") << true;
    }

    void emptiedJournalForgetsItsFile()
    {
        QFETCH(bool, layout);
        const QString file = m_env->folder.filePath(u"o.txt"_s);
        const QByteArray original = "7\t 2,000\tkg\tS\tt\tfrom file\r\n";
        QVERIFY(TestFiles::put(file, original));
        m_env->dialogs.choices = {file};
        window().tbr1_ButtonClick(u"tbrOpen"_s);
        record();
        if (layout) // answered No
            window().settingsDialog().findChild<QRadioButton *>(u"optTypeScale_4"_s)->click();
        else
            window().tbr1_ButtonClick(u"tbrCreate"_s);
        QCOMPARE(m_env->messages.texts(), QStringList{LoseChanges});
        QCOMPARE(window().journal().Rows(), 1);
        QCOMPARE(window().findChild<QLabel *>(u"lblCurFileName"_s)->text(), u"Новый"_s);

        m_env->messages.clear();
        window().tbr1_ButtonClick(u"tbrSave"_s);
        QCOMPARE(m_env->messages.texts(),
                 QStringList{u"Имя файла для сохранения не определено.\r\nВоспользуйтесь соответствующей опцией меню."_s});
        QCOMPARE(TestFiles::bytesOf(file), original);

        m_env->window.reset(); // a crash
        m_env->messages.clear();
        m_env->start();
        QCOMPARE(m_env->messages.texts(), QStringList());
    }

    // The journal's columns and the type the link decodes never disagree:
    // while the question is open, and after the rows were kept, the dialog
    // shows the journal's type and readings land in its columns.
    void refusedTypeChangeKeepsTheType_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("saveAs"); // empty: the save dialog is cancelled
        QTest::newRow("Yes, save cancelled") << int(Answer::Yes) << QString();
        QTest::newRow("Yes, save fails") << int(Answer::Yes) << u"missing/j.txt"_s;
        QTest::newRow("Cancel") << int(Answer::Cancel) << QString();
    }

    void refusedTypeChangeKeepsTheType()
    {
        QFETCH(int, answer);
        QFETCH(QString, saveAs);
        frmSettings &settings = window().settingsDialog();
        auto *label2 = window().findChild<QLabel *>(u"Label2"_s);
        const QString caption = label2->text();
        settings.findChild<QLineEdit *>(u"arrLuft_2"_s)->setText(u"5"_s);
        record();
        if (!saveAs.isEmpty())
            m_env->dialogs.choices = {m_env->folder.filePath(saveAs)};
        QStringList typesWhileAsked;
        m_env->messages.whileShown = [&](const QString &text) {
            typesWhileAsked << settings.liveSettings().scaleTypeText();
            if (text == LoseChanges)
                record(); // a reading of the journal's type arrives meanwhile
        };
        m_env->messages.answer({Answer(answer)});
        settings.findChild<QRadioButton *>(u"optTypeScale_2"_s)->click();
        QCOMPARE(typesWhileAsked.value(0), u"0"_s);
        QCOMPARE(settings.liveSettings().scaleTypeText(), u"0"_s);
        QVERIFY(settings.findChild<QRadioButton *>(u"optTypeScale_0"_s)->isChecked());
        QCOMPARE(settings.liveSettings().luftText(), u"0"_s);
        QCOMPARE(label2->text(), caption);
        QCOMPARE(window().journal().Cols(), 7);
        QCOMPARE(window().journal().Rows(), 3);
        m_env->messages.whileShown = nullptr;
        record();
        QCOMPARE(window().journal().TextMatrix(3, 2), u"   1.000"_s);
        QCOMPARE(window().journal().TextMatrix(3, 3), u"kg"_s);

        // Let go, the rows make way for the new type at once.
        m_env->messages.clear();
        m_env->messages.answer({Answer::No});
        settings.findChild<QRadioButton *>(u"optTypeScale_2"_s)->click();
        QCOMPARE(settings.liveSettings().scaleTypeText(), u"2"_s);
        QCOMPARE(settings.liveSettings().luftText(), u"5"_s);
        QCOMPARE(window().journal().Cols(), 9);
        QCOMPARE(window().journal().Rows(), 1);
    }
};

QTEST_MAIN(TestFrm1Files)
#include "tst_frm1_files.moc"

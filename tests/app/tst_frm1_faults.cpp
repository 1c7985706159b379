#include "app/frm1.h"

#include "files/FileCommands.h"
#include "journal/JournalGrid.h"
#include "journal/JournalView.h"
#include "settings/IniTxt.h"
#include "settings/frmSettings.h"
#include "support/SmallFilesystem.h"
#include "support/TestFiles.h"
#include "support/TestWindow.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using TestFiles::bytesOf;
using TestFiles::put;
using Answer = UserMessages::Answer;

// The main window when what it reads is garbage and what it writes cannot be
// written: a settings file that is no settings file or cannot be stored, a
// journal file that is no journal, a save that meets a full disk or a file
// that may not be replaced.
class TestFrm1Faults : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestWindow> m_env;
    std::unique_ptr<SmallFilesystem> m_mount;

    frm1 &window() { return *m_env->window; }
    JournalGrid &journal() { return window().journal(); }

    // A JW-1 reading recorded and not saved yet.
    void record(const QString &weight)
    {
        const int rows = journal().Rows();
        window().ReadFrom_Unit(u"\x01\x02S"_s + weight.rightJustified(8) + u"kg   "_s);
        QCOMPARE(journal().Rows(), rows + 1);
    }
    static QByteArray randomBytes(int n, quint32 seed)
    {
        QRandomGenerator random(seed);
        QByteArray bytes(n, '\0');
        for (char &c : bytes)
            c = char(random.bounded(256));
        return bytes;
    }
    void openJournal(const QString &path)
    {
        m_env->dialogs.choices = {path};
        window().tbr1_ButtonClick(u"tbrOpen"_s);
    }
    // Paints the journal at its top and at its end, as the screen would.
    void paintTopAndEnd()
    {
        auto *view = window().findChild<JournalView *>(u"Grid1"_s);
        QVERIFY(!view->viewport()->grab().isNull());
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
        QVERIFY(!view->viewport()->grab().isNull());
    }

private slots:
    void init() { m_env = std::make_unique<TestWindow>(); }

    void cleanup()
    {
        m_env->window.reset();
        m_mount.reset();
        m_env.reset();
    }

    // The program starts with the defaults and runs; what it cannot store
    // is not reported, and what it can store is read back at the next start.
    void hostileSettingsFile_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("writable");
        QTest::newRow("a folder named Init.ini") << u"folder"_s << false;
        QTest::newRow("read-only mount") << u"ro"_s << false;
        QTest::newRow("binary") << u"binary"_s << true;
        QTest::newRow("NUL bytes") << u"nul"_s << true;
        QTest::newRow("1 MB line") << u"long"_s << true;
        QTest::newRow("no sections") << u"sectionless"_s << true;
    }

    void hostileSettingsFile()
    {
        QFETCH(QString, setup);
        QFETCH(bool, writable);
        const QString ini = m_env->ini();
        QByteArray bytes;
        if (setup == u"folder") {
            QVERIFY(QDir().mkpath(QDir(ini).filePath(u"txtValTypeScale"_s)));
        } else if (setup == u"ro") {
            m_mount = std::make_unique<SmallFilesystem>(m_env->folder.path());
            if (!m_mount->mount(u"size=64k"_s))
                QSKIP("mounting a small filesystem is not allowed here");
            bytes = "[UserSettings]\r\ntxtValTypeScale=0\r\n";
        } else if (setup == u"binary") {
            bytes = randomBytes(64 * 1024, 8).replace('[', '{');
        } else if (setup == u"nul") {
            bytes = QByteArray("[UserSettings\0]\r\n\0txtValTypeScale=3\r\n", 37);
        } else if (setup == u"long") {
            bytes = QByteArray(1 << 20, 'x');
        } else {
            bytes = "txtValTypeScale=3\r\nchkBell=1\r\nCommNom=7\r\n";
        }
        if (setup != u"folder")
            QVERIFY(put(ini, bytes));
        if (m_mount)
            QVERIFY(m_mount->remountReadOnly());

        frm1 &w = m_env->start();
        frmSettings &s = w.settingsDialog();
        QCOMPARE(s.liveSettings().scaleTypeText(), u"0"_s);
        QCOMPARE(s.liveSettings().luftText(), u"0"_s);
        QCOMPARE(s.liveSettings().bell() + s.liveSettings().writeZero() + s.liveSettings().unstableResult() + s.liveSettings().showStreamData(), 0);
        QCOMPARE(s.liveSettings().portText(), u"1"_s);
        QCOMPARE(journal().Cols(), 7);
        record(u"1.000"_s);
        w.fileCommands().markDiscarded();

        s.findChild<QRadioButton *>(u"optTypeScale_2"_s)->click();
        QTest::mouseClick(s.findChild<QPushButton *>(u"btnSave"_s), Qt::LeftButton);
        m_env->window.reset(); // closing stores the geometry
        // Only the journal's recovery file tells that it cannot be written, once.
        const QStringList told = m_env->messages.texts();
        if (setup == u"ro") {
            QCOMPARE(told.size(), 1);
            QVERIFY(told.first().startsWith(u"Не удалось записать файл восстановления журнала"_s));
        } else {
            QVERIFY2(told.isEmpty(), qPrintable(told.join(u'|')));
        }
        if (setup == u"folder")
            QVERIFY(QFileInfo(ini).isDir());
        else if (!writable)
            QCOMPARE(bytesOf(ini), bytes);

        m_env->start();
        QCOMPARE(window().settingsDialog().liveSettings().scaleTypeText(), writable ? u"2"_s : u"0"_s);
        QCOMPARE(journal().Cols(), writable ? 9 : 7);
    }

    // Whatever a file holds, it is loaded line by line, each line a row, and
    // the journal can be painted and saved again. A file that is plainly no
    // journal is loaded once the operator says so.
    void hostileJournalFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("asked");
        const QByteArray binary = randomBytes(256 * 1024, 4);
        QTest::newRow("binary") << binary << int(binary.count('\n') + (binary.endsWith('\n') ? 0 : 1)) << true;
        QTest::newRow("NUL bytes") << QByteArray("1\t\0\0\0\tkg\r\n\0\r\n\0\0\0", 16) << 3 << true;
        QTest::newRow("10 MB line") << QByteArray(10 << 20, 'w') + "\r\n2\t2,000\r\n" << 2 << false;
        QTest::newRow("10 MB note") << "1\t 1,000\tkg\tS\t07.12.2026 10:00:00\t" + QByteArray(10 << 20, 'n') << 1
                                    << false;
        QByteArray million;
        million.reserve(1000000 * 48);
        for (int i = 1; i <= 1000000; ++i)
            million += QByteArray::number(i) + "\t 1,250\tkg\tS\t07.12.2026 10:00:01\t\xEF\xF0\xE8\xEC\r\n";
        QTest::newRow("1,000,000 lines") << million << 1000000 << false;
    }

    void hostileJournalFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, rows);
        QFETCH(bool, asked);
        m_env->start();
        const QString path = QDir(m_env->folder.path()).filePath(u"j.txt"_s);
        QVERIFY(put(path, bytes));
        m_env->messages.setDefaultAnswer(UserMessages::Answer::Yes);
        openJournal(path);
        QCOMPARE(m_env->messages.messages().size(), asked ? 1 : 0);
        QCOMPARE(journal().Rows(), rows + 1);
        QCOMPARE(journal().TextMatrix(rows, 0), QString::number(rows));
        // The screen gets only the start of a huge cell.
        for (int c = 1; c < journal().Cols(); ++c)
            QVERIFY(journal().data(journal().indexOf(1, c), Qt::DisplayRole).toString().size()
                    <= JournalGrid::MaxShownLength);
        paintTopAndEnd();
        journal().setCurrentCell(rows, journal().Cols() - 1);
        QTest::qWait(1);

        // Saved again, it reads back as the same rows.
        const QString again = QDir(m_env->folder.path()).filePath(u"again.txt"_s);
        QVERIFY(window().fileCommands().WriteJournalFile(again, u"\t"_s));
        QStringList before;
        for (int c = 0; c < journal().Cols(); ++c)
            before << journal().TextMatrix(rows, c);
        window().GetPluDataFromFile(again);
        QCOMPARE(journal().Rows(), rows + 1);
        QStringList after;
        for (int c = 0; c < journal().Cols(); ++c)
            after << journal().TextMatrix(rows, c);
        QCOMPARE(after, before);
        QCOMPARE(m_env->messages.messages().size(), asked ? 1 : 0);
    }

    // A save that cannot be completed says why, leaves the old file as it
    // was and keeps the rows unsaved: closing still asks.
    void failedSave_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("message");
        QTest::newRow("disk full") << u"full"_s << u"4   Не удалось записать файл: No space left on device"_s;
        QTest::newRow("read-only file")
            << u"readonly"_s << u"5   Не удалось создать файл: файл доступен только для чтения"_s;
        QTest::newRow("read-only mount")
            << u"ro"_s << u"5   Не удалось создать файл: файл доступен только для чтения"_s;
    }

    void failedSave()
    {
        QFETCH(QString, setup);
        QFETCH(QString, message);
        m_mount = std::make_unique<SmallFilesystem>(QDir(m_env->folder.path()).filePath(u"journals"_s));
        if (!m_mount->mount(u"size=16k"_s))
            QSKIP("mounting a small filesystem is not allowed here");
        const QString path = m_mount->filePath(u"j.txt"_s);
        const QByteArray old = "1\t 9,999\tkg\tS\t01.01.2026 8:00:00\told\r\n";
        QVERIFY(put(path, old));
        if (setup == u"readonly")
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        if (setup == u"ro")
            QVERIFY(m_mount->remountReadOnly());

        m_env->start();
        openJournal(path);
        QCOMPARE(journal().Rows(), 2);
        for (int i = 0; i < 500; ++i)
            record(u"1.000"_s);
        window().tbr1_ButtonClick(u"tbrSave"_s);
        QCOMPARE(m_env->messages.texts(), QStringList{message});
        QCOMPARE(bytesOf(path), old);
        QCOMPARE(QDir(m_mount->path()).entryList(QDir::Files), QStringList{u"j.txt"_s});
        QCOMPARE(journal().Rows(), 502);

        m_env->messages.clear();
        m_env->messages.answer({Answer::No});
        QVERIFY(window().close());
        QCOMPARE(m_env->messages.texts(), QStringList{u"Все изменения будут потеряны!\r\nСохранить изменения?"_s});
    }
};

QTEST_MAIN(TestFrm1Faults)
#include "tst_frm1_faults.moc"

#include "files/FileCommands.h"
#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"
#include "link/FrameBuilder.h"
#include "recovery/JournalRecovery.h"
#include "settings/frmSettings.h"
#include "support/TestWindow.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

using Answer = UserMessages::Answer;

namespace {

QByteArray countingFrame(const QString &weight, const QString &quantity)
{
    FrameContent c;
    c.weight = weight;
    c.unit = QStringLiteral("kg");
    c.quantity = quantity;
    c.unitWeight = QStringLiteral("0.125");
    return *FrameBuilder::build(*FrameLayouts::forType(2), c);
}

const QString Restore = QStringLiteral("Восстановить журнал?");

} // namespace

// The journal of a session that ended without a save comes back at the next
// start, in the same settings folder.
class TstRecovery : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestWindow> m_env;

    frm1 &window() { return *m_env->window; }
    JournalGrid &journal() { return window().journal(); }

    QStringList rows()
    {
        QStringList r;
        for (int i = 1; i < journal().Rows(); ++i) {
            QStringList cells;
            for (int c = 0; c < journal().Cols(); ++c)
                cells << journal().TextMatrix(i, c);
            r << cells.join(QLatin1Char('\t'));
        }
        return r;
    }

    // Counting scale, three readings with a note, a note stored in the second row.
    void recordDay()
    {
        window().settingsDialog().findChild<QRadioButton *>(QStringLiteral("optTypeScale_2"))->click();
        window().findChild<QLineEdit *>(QStringLiteral("txtPrim"))->setText(QStringLiteral("партия 7"));
        window().tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
        m_env->line->feed(countingFrame(QStringLiteral("1.000"), QStringLiteral("8")));
        QTRY_COMPARE(journal().Rows(), 2);
        m_env->line->feed(countingFrame(QStringLiteral("2.000"), QStringLiteral("16")));
        m_env->line->feed(countingFrame(QStringLiteral("3.000"), QStringLiteral("24")));
        QTRY_COMPARE(journal().Rows(), 4);
        journal().setTextMatrix(2, journal().columnWithCaption(JournalLayout::noteCaption()), QStringLiteral("брак"));
        window().journalChanged();
    }

    // The window goes as a killed program's would: nothing asked, nothing saved.
    void crash() { m_env->window.reset(); }

    bool asked() const
    {
        for (const FakeUserMessages::Message &m : m_env->messages.messages()) {
            if (m.text.endsWith(Restore))
                return true;
        }
        return false;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestWindow>();
        m_env->start();
    }
    void cleanup()
    {
        if (m_env->window)
            m_env->window->close();
        m_env.reset();
    }

    void restoredAfterACrash();
    void noDiscardsIt();
    void nothingAfterASave();
    void nothingAfterClosingWithNo();
    void secondCopy();
    void restoredKeepsTheTimeOfTheLastChange();
};

void TstRecovery::restoredAfterACrash()
{
    recordDay();
    m_env->dialogs.choices = {m_env->folder.filePath(QStringLiteral("day.txt"))};
    window().tbr1_ButtonClick(QStringLiteral("tbrOpen")); // answered No: the file does not exist
    const QStringList before = rows();
    QCOMPARE(before.size(), 3);
    crash();

    m_env->messages.clear();
    m_env->messages.answer({Answer::Yes});
    m_env->start();
    const FakeUserMessages::Message question = m_env->messages.messages().value(0);
    QVERIFY2(question.text.startsWith(QStringLiteral("Журнал прошлого сеанса не был сохранен.\r\nЗаписей в нем: 3, "
                                                     "последнее изменение: ")),
             qPrintable(question.text));
    QVERIFY(question.text.endsWith(QStringLiteral(".\r\n") + Restore));
    QCOMPARE(question.title, UserMessages::applicationTitle());
    QCOMPARE(question.buttons, UserMessages::Buttons::YesNo);
    QCOMPARE(rows(), before);
    QCOMPARE(journal().Cols(), int(JournalLayout::counting().size()) + 1);
    QCOMPARE(window().settingsDialog().liveSettings().scaleTypeText(), QStringLiteral("2"));
    QCOMPARE(window().findChild<QLabel *>(QStringLiteral("lblCurFileName"))->text(),
             m_env->folder.filePath(QStringLiteral("day.txt")));

    // Unsaved: Save writes the file it had; then nothing is left to offer.
    QVERIFY(window().fileCommands().changed());
    window().tbr1_ButtonClick(QStringLiteral("tbrSave"));
    QVERIFY(QFile::exists(m_env->folder.filePath(QStringLiteral("day.txt"))));
    QVERIFY(!window().fileCommands().changed());
    crash();
    m_env->messages.clear();
    m_env->start();
    QVERIFY(!asked());
}

void TstRecovery::noDiscardsIt()
{
    recordDay();
    crash();
    m_env->messages.clear();
    m_env->messages.answer({Answer::No});
    m_env->start();
    QVERIFY(asked());
    QCOMPARE(journal().Rows(), 1);
    crash();
    m_env->messages.clear();
    m_env->start();
    QVERIFY(!asked());
}

// A save resets the recovery; what comes after it is kept with the saved rows.
void TstRecovery::nothingAfterASave()
{
    recordDay();
    m_env->dialogs.choices = {m_env->folder.filePath(QStringLiteral("saved.txt"))};
    window().findChild<QAction *>(QStringLiteral("mnuSaveAs"))->trigger();
    QVERIFY(!window().fileCommands().changed());
    QVERIFY(!QFile::exists(QDir(m_env->folder.path()).filePath(JournalRecovery::fileName())));

    m_env->line->feed(countingFrame(QStringLiteral("4.000"), QStringLiteral("32")));
    QTRY_COMPARE(journal().Rows(), 5);
    const QStringList before = rows();
    crash();
    m_env->messages.clear();
    m_env->messages.answer({Answer::Yes});
    m_env->start();
    QVERIFY(asked());
    QCOMPARE(rows(), before);
}

void TstRecovery::nothingAfterClosingWithNo()
{
    recordDay();
    m_env->messages.answer({Answer::No}); // "Сохранить изменения?"
    QVERIFY(window().close());
    crash();
    m_env->messages.clear();
    m_env->start();
    QVERIFY(!asked());
}

// A second copy in the same settings folder says it keeps no recovery and
// leaves the first copy's alone.
void TstRecovery::secondCopy()
{
    recordDay();
    const QString path = QDir(m_env->folder.path()).filePath(JournalRecovery::fileName());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray first = file.readAll();
    file.close();

    FakeUserMessages messages;
    FakeFileDialogs dialogs;
    MainWindowServices services;
    services.programFolder = m_env->folder.path();
    services.commPort = std::make_unique<FakeSerialLine>();
    services.messages = &messages;
    services.fileDialogs = &dialogs;
    auto second = std::make_unique<frm1>(std::move(services));
    QCOMPARE(messages.texts().size(), 1);
    QVERIFY(messages.texts().first().startsWith(QStringLiteral("Программа уже запущена с этой папкой настроек")));
    QCOMPARE(messages.messages().first().icon, UserMessages::Icon::Warning);
    QCOMPARE(second->journal().Rows(), 1);
    second->journal().AddItem(QStringLiteral("1\t1\t9.000"));
    second->journalChanged();
    messages.answer({Answer::No});
    second->close();
    second.reset();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), first);
}

// Restored and left again without a change, the journal is offered with
// the time of its last change, not of the restore.
void TstRecovery::restoredKeepsTheTimeOfTheLastChange()
{
    recordDay();
    crash();
    const QString path = QDir(m_env->folder.path()).filePath(JournalRecovery::fileName());
    const QDateTime changed(QDate(2026, 1, 2), QTime(3, 4, 5));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(changed, QFileDevice::FileModificationTime));
    }
    for (int start = 1; start <= 2; ++start) {
        m_env->messages.clear();
        m_env->messages.answer({Answer::Yes});
        m_env->start();
        QVERIFY2(m_env->messages.texts().value(0).contains(QStringLiteral("последнее изменение: 02.01.2026 03:04:05")),
                 qPrintable(m_env->messages.texts().value(0)));
        QCOMPARE(journal().Rows(), 4);
        QTest::qWait(1100); // a second later, and synced
        crash();
    }
}

QTEST_MAIN(TstRecovery)
#include "tst_recovery.moc"

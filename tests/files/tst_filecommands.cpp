#include "files/FileCommands.h"
#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"
#include "settings/IniTxt.h"
#include "support/FakeFileDialogs.h"
#include "support/FakeUserMessages.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using TestFiles::bytesOf;
using TestFiles::put;
using Answer = UserMessages::Answer;

// New, Open, Save and Save as with scripted dialogs and message boxes: the
// messages word for word, the current file and its label, the remembered
// folder, and the question before unsaved rows are discarded.
class TestFileCommands : public QObject
{
    Q_OBJECT

    const QString MissingName = u"Имя файла для сохранения не определено.\r\nВоспользуйтесь соответствующей опцией меню."_s;
    const QString Cancelled = u"Операция отменена."_s;
    const QString SavedIn = u"Данные сохранены в файле "_s;
    const QString Failed = u"При выполнении операции произошла ошибка."_s;
    const QString LoseChanges = u"Все изменения будут потеряны!\r\nСохранить изменения?"_s;
    const QStringList Filters{u"Text (*.txt)"_s, u"All (*.*)"_s};

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
    std::unique_ptr<JournalGrid> m_grid;
    std::unique_ptr<FakeFileDialogs> m_dialogs;
    std::unique_ptr<FakeUserMessages> m_messages;
    std::unique_ptr<FileCommands> m_files;
    QString m_label;
    int m_builds = 0;
    int m_focus = 0;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    // A journal of one recorded row, not saved yet.
    void record(const QString &note)
    {
        m_grid->AddItem(u"%1\t%1\t 1,000\tkg\tS\t07.12.2026 10:00:00\t"_s.arg(m_grid->Rows()) + note);
        m_files->markChanged();
    }
    QString folderKey() const { return ReadIniValue(m_ini, u"InitDirPlu"_s, u"InitDirPlu"_s, u"<none>"_s); }
    void checkOnly(const QString &text, UserMessages::Icon icon = UserMessages::Icon::None)
    {
        QCOMPARE(m_messages->texts(), QStringList{text});
        QCOMPARE(m_messages->messages()[0].title, u"Tarovik_RS232"_s);
        QCOMPARE(m_messages->messages()[0].buttons, UserMessages::Buttons::Ok);
        QCOMPARE(m_messages->messages()[0].icon, icon);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_ini = path(u"Init.ini"_s);
        m_grid = std::make_unique<JournalGrid>();
        JournalLayout::apply(JournalLayout::weighing(), *m_grid);
        m_dialogs = std::make_unique<FakeFileDialogs>();
        m_messages = std::make_unique<FakeUserMessages>();
        m_label = u"Новый"_s;
        m_builds = m_focus = 0;
        m_files = std::make_unique<FileCommands>(
            *m_grid, *m_dialogs, *m_messages, m_ini, u"\t"_s,
            FileCommands::Window{[this] {
                                     ++m_builds;
                                     JournalLayout::apply(JournalLayout::weighing(), *m_grid);
                                 },
                                 [this](const QString &name) { m_label = name; }, [this] { ++m_focus; }});
    }

    void saveWithoutFile()
    {
        record(u"a"_s);
        QVERIFY(!m_files->Save());
        checkOnly(MissingName, UserMessages::Icon::Information);
        QVERIFY(m_dialogs->shown.isEmpty());
        QVERIFY(m_files->changed());
    }

    void dialogsAndFolder()
    {
        QVERIFY(QDir().mkpath(path(u"data"_s)));
        m_dialogs->choices = {path(u"data/a.txt"_s), std::nullopt};
        m_files->Open();
        m_files->SaveAs();
        QCOMPARE(m_dialogs->shown.size(), 2);
        QVERIFY(!m_dialogs->shown[0].save);
        QCOMPARE(m_dialogs->shown[0].request.folder, QDir::homePath());
        QCOMPARE(m_dialogs->shown[0].request.filters, Filters);
        QCOMPARE(m_dialogs->shown[0].request.proposedName, QString());
        QVERIFY(m_dialogs->shown[1].save);
        QCOMPARE(m_dialogs->shown[1].request.folder, path(u"data"_s));
        QCOMPARE(m_dialogs->shown[1].request.filters, Filters);
        QCOMPARE(m_dialogs->shown[1].request.proposedName, u"a.txt"_s);
        QVERIFY(bytesOf(m_ini).contains("[InitDirPlu]\r\nInitDirPlu=" + path(u"data"_s).toLocal8Bit() + "\r\n"));

        // A folder a Windows file in the root of a drive left behind.
        WriteIniValue(m_ini, u"InitDirPlu"_s, u"InitDirPlu"_s, u"D:"_s);
        m_files->Open();
        QCOMPARE(m_dialogs->shown.last().request.folder, u"D:\\"_s);
    }

    void folderOf_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::newRow("folder") << u"/srv/data/a.txt"_s << u"/srv/data"_s;
        QTest::newRow("root") << u"/a.txt"_s << u"/"_s;
        QTest::newRow("bare name") << u"a.txt"_s << QString();
        QTest::newRow("no extension") << u"/srv/journal"_s << u"/srv"_s;
    }

    void folderOf()
    {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QCOMPARE(FileCommands::folderOf(path), folder);
    }

    void cancelledDialogs()
    {
        record(u"a"_s);
        m_files->markDiscarded();
        m_files->Open();
        QVERIFY(m_messages->messages().isEmpty());
        QVERIFY(!m_files->SaveAs());
        checkOnly(Cancelled);
        QCOMPARE(m_label, u"Новый"_s);
        QCOMPARE(m_files->curFileName(), QString());
        QCOMPARE(m_grid->Rows(), 2);
        QCOMPARE(folderKey(), u"<none>"_s);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList());
    }

    // Open, Save writes the opened file; Save as writes another one, says
    // so, and leaves the current file alone.
    void openSaveSaveAs()
    {
        const QString a = path(u"a.txt"_s);
        const QString b = path(u"b"_s);
        QVERIFY(put(a, "5\t 2,000\tkg\tS\t06.12.2026 9:00:00\told\r\n"));
        m_dialogs->choices = {a, b};
        record(u"discarded"_s);
        m_files->Open(); // answered No
        QCOMPARE(m_messages->texts(), QStringList{LoseChanges});
        m_messages->clear();
        QCOMPARE(m_label, a);
        QCOMPARE(m_files->curFileName(), a);
        QCOMPARE(m_builds, 1);
        QCOMPARE(m_focus, 1);
        QCOMPARE(m_grid->TextMatrix(1, 6), u"old"_s);
        QVERIFY(!m_files->changed());

        record(u"новая"_s);
        QVERIFY(m_files->Save());
        QVERIFY(m_messages->messages().isEmpty());
        const QByteArray both = "5\t 2,000\tkg\tS\t06.12.2026 9:00:00\told\r\n"
                                "2\t 1,000\tkg\tS\t07.12.2026 10:00:00\t\xED\xEE\xE2\xE0\xFF\r\n";
        QCOMPARE(bytesOf(a), both);

        QVERIFY(m_files->SaveAs());
        checkOnly(SavedIn + b);
        QCOMPARE(bytesOf(b), both);
        QCOMPARE(m_label, a);
        QCOMPARE(m_files->curFileName(), a);
    }

    void openMissingFile()
    {
        record(u"kept"_s);
        m_files->markDiscarded();
        const QString missing = path(u"new.txt"_s);
        m_dialogs->choices = {missing};
        m_files->Open();
        QCOMPARE(m_label, missing);
        QCOMPARE(m_builds, 0);
        QCOMPARE(m_grid->TextMatrix(1, 6), u"kept"_s);
        QVERIFY(m_files->Save());
        QCOMPARE(bytesOf(missing), "1\t 1,000\tkg\tS\t07.12.2026 10:00:00\tkept\r\n");
    }

    void saveFailures()
    {
        QVERIFY(put(path(u"plain"_s), "x"));
        const QString inFile = path(u"plain/j.txt"_s);
        m_dialogs->choices = {inFile, inFile};
        m_files->Open();
        record(u"a"_s);
        QVERIFY(!m_files->Save());
        checkOnly(u"5   Не удалось создать файл: Not a directory"_s);
        QVERIFY(m_files->changed());
        m_messages->clear();
        QVERIFY(!m_files->SaveAs());
        QCOMPARE(m_messages->texts(), (QStringList{u"5   Не удалось создать файл: Not a directory"_s, Failed}));
        QCOMPARE(folderKey(), path(u"plain"_s));
        QCOMPARE(bytesOf(path(u"plain"_s)), "x");
    }

    // Before rows are discarded: what is asked, what is saved, whether the
    // caller may go on, and whether the changes still count as unsaved.
    void guard_data()
    {
        QTest::addColumn<bool>("changed");
        QTest::addColumn<bool>("fileOpen");
        QTest::addColumn<int>("answer"); // -1: no question expected
        QTest::addColumn<QString>("saveAsChoice"); // empty: cancelled
        QTest::addColumn<bool>("goOn");
        QTest::addColumn<QStringList>("messagesAfter"); // after the question
        QTest::addColumn<bool>("changedAfter");
        QTest::newRow("nothing changed") << false << false << -1 << QString() << true << QStringList() << false;
        QTest::newRow("No") << true << true << int(Answer::No) << QString() << true << QStringList() << true;
        QTest::newRow("Yes saves the open file")
            << true << true << int(Answer::Yes) << QString() << true << QStringList() << false;
        QTest::newRow("Yes, no file: Save as") << true << false << int(Answer::Yes) << u"s.txt"_s << true
                                               << QStringList{u"<saved>"_s} << false;
        QTest::newRow("Yes, Save as cancelled")
            << true << false << int(Answer::Yes) << QString() << false << QStringList{Cancelled} << true;
        QTest::newRow("Cancel") << true << true << int(Answer::Cancel) << QString() << false << QStringList() << true;
        QTest::newRow("Yes, save fails") << true << false << int(Answer::Yes) << u"none/s.txt"_s << false
                                         << QStringList{u"5   Не удалось создать файл: No such file or directory"_s,
                                                        Failed}
                                         << true;
    }

    void guard()
    {
        QFETCH(bool, changed);
        QFETCH(bool, fileOpen);
        QFETCH(int, answer);
        QFETCH(QString, saveAsChoice);
        QFETCH(bool, goOn);
        QFETCH(QStringList, messagesAfter);
        QFETCH(bool, changedAfter);
        const QString opened = path(u"o.txt"_s);
        if (fileOpen) {
            QVERIFY(put(opened, ""));
            m_dialogs->choices = {opened};
            m_files->Open();
        }
        record(u"a"_s);
        if (!changed)
            m_files->markDiscarded();
        m_dialogs->choices = {saveAsChoice.isEmpty() ? std::nullopt : std::optional(path(saveAsChoice))};
        if (answer >= 0)
            m_messages->answer({Answer(answer)});

        QCOMPARE(m_files->confirmDiscard(), goOn);
        if (answer < 0) {
            QVERIFY(m_messages->messages().isEmpty());
        } else {
            QCOMPARE(m_messages->messages().value(0).text, LoseChanges);
            QCOMPARE(m_messages->messages()[0].title, u"Tarovik_RS232"_s);
            QCOMPARE(m_messages->messages()[0].buttons, UserMessages::Buttons::YesNoCancel);
            QCOMPARE(m_messages->messages()[0].icon, UserMessages::Icon::Question);
            messagesAfter.replaceInStrings(u"<saved>"_s, SavedIn + path(saveAsChoice));
            QCOMPARE(m_messages->texts().mid(1), messagesAfter);
        }
        QCOMPARE(m_files->changed(), changedAfter);
        const bool savedOpened = fileOpen && answer == int(Answer::Yes);
        QCOMPARE(bytesOf(opened), savedOpened ? QByteArray("1\t 1,000\tkg\tS\t07.12.2026 10:00:00\ta\r\n")
                                              : fileOpen ? QByteArray() : QByteArray("<none>"));
    }

    // Open asks first; when the save after Yes fails, no dialog follows.
    void openAsksFirst()
    {
        record(u"a"_s);
        m_messages->answer({Answer::Yes});
        m_files->Open();
        QCOMPARE(m_messages->texts(), (QStringList{LoseChanges, Cancelled}));
        QCOMPARE(m_dialogs->shown.size(), 1);
        QVERIFY(m_dialogs->shown[0].save);
        QCOMPARE(m_grid->Rows(), 2);

        m_messages->clear();
        m_dialogs->shown.clear();
        m_files->Open(); // answered No: the open dialog comes, cancelled
        QCOMPARE(m_messages->texts(), QStringList{LoseChanges});
        QCOMPARE(m_dialogs->shown.size(), 1);
        QVERIFY(!m_dialogs->shown[0].save);
        QVERIFY(m_files->changed());
    }

    // Rows recorded after the operator answered are never discarded unseen:
    // one recorded during the save dialog is written with the others, one
    // recorded during the "saved" message is asked about again.
    void rowsAfterTheAnswerAskAgain()
    {
        record(u"a"_s);
        m_dialogs->whileShown = [this] { record(u"during the dialog"_s); };
        m_messages->whileShown = [this](const QString &text) {
            if (text.startsWith(SavedIn))
                record(u"during the message"_s);
        };
        m_dialogs->choices = {path(u"s.txt"_s)};
        m_messages->answer({Answer::Yes, Answer::Cancel});
        QVERIFY(!m_files->confirmDiscard());
        QCOMPARE(m_messages->texts(), (QStringList{LoseChanges, SavedIn + path(u"s.txt"_s), LoseChanges}));
        QVERIFY(m_files->changed());
        QCOMPARE(m_grid->Rows(), 4);
        QVERIFY(bytesOf(path(u"s.txt"_s)).endsWith("during the dialog\r\n"));
    }

    // Rows recorded while the open dialog was open are asked about before
    // the file replaces them.
    void openAsksAgainForRowsDuringTheDialog()
    {
        const QString file = path(u"o.txt"_s);
        QVERIFY(put(file, "1\t 2,000\tkg\tS\tt\tfrom file\r\n"));
        record(u"a"_s);
        m_dialogs->whileShown = [this] { record(u"during the dialog"_s); };
        m_dialogs->choices = {file};
        m_messages->answer({Answer::No, Answer::Cancel});
        m_files->Open();
        QCOMPARE(m_messages->texts(), (QStringList{LoseChanges, LoseChanges}));
        QCOMPARE(m_grid->Rows(), 3);
        QCOMPARE(m_grid->TextMatrix(2, 6), u"during the dialog"_s);
        QCOMPARE(m_files->curFileName(), QString());
    }

    // "Да" writes into the file last opened only while the journal came from
    // it; after a layout rebuild it asks for a name.
    void yesSavesOnlyTheFileTheJournalCameFrom()
    {
        const QString file = path(u"o.txt"_s);
        const QByteArray original = "1\t 2,000\tkg\tS\tt\tfrom file\r\n";
        QVERIFY(put(file, original));
        m_dialogs->choices = {file};
        m_files->Open();
        m_files->markDiscarded(); // the layout rebuilt the journal empty
        JournalLayout::apply(JournalLayout::weighing(), *m_grid);
        record(u"new"_s);
        m_messages->answer({Answer::Yes});
        QVERIFY(!m_files->confirmDiscard()); // the save dialog is cancelled
        QCOMPARE(m_messages->texts(), (QStringList{LoseChanges, Cancelled}));
        QCOMPARE(m_dialogs->shown.size(), 2);
        QVERIFY(m_dialogs->shown[1].save);
        QCOMPARE(bytesOf(file), original);

        // Loaded again, the journal comes from the file: "Да" saves into it.
        m_messages->clear();
        m_dialogs->choices = {file};
        m_messages->answer({Answer::No});
        m_files->Open();
        record(u"more"_s);
        m_messages->answer({Answer::Yes});
        QVERIFY(m_files->confirmDiscard());
        QCOMPARE(m_dialogs->shown.size(), 3);
        QVERIFY(bytesOf(file).endsWith("more\r\n"));
    }

    // Save as asks before it replaces a file; a journal is never asked about,
    // a file that is plainly no journal is opened only when the operator says so.
    void replaceAndForeignFiles_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("No") << int(Answer::No);
        QTest::newRow("Yes") << int(Answer::Yes);
    }

    void replaceAndForeignFiles()
    {
        QFETCH(int, answer);
        const bool yes = answer == int(Answer::Yes);
        const QString existing = path(u"e.txt"_s);
        QVERIFY(put(existing, "old\r\n"));
        record(u"a"_s);
        m_dialogs->choices = {existing};
        m_messages->answer({Answer(answer)});
        QCOMPARE(m_files->SaveAs(), yes);
        QCOMPARE(m_messages->texts(),
                 (QStringList{u"Файл "_s + existing + u" уже существует.\r\nЗаменить его?"_s,
                              yes ? SavedIn + existing : Cancelled}));
        QCOMPARE(m_messages->messages()[0].buttons, UserMessages::Buttons::YesNo);
        QCOMPARE(bytesOf(existing), yes ? QByteArray("1\t 1,000\tkg\tS\t07.12.2026 10:00:00\ta\r\n")
                                        : QByteArray("old\r\n"));

        // A picture: a PNG's signature and compressed data.
        m_files->markDiscarded();
        m_messages->clear();
        const QString picture = path(u"p.png"_s);
        QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        for (int i = 0; i < 4096; ++i)
            png += char((i * 7919) % 256);
        QVERIFY(put(picture, png));
        m_dialogs->choices = {picture};
        m_messages->answer({Answer(answer)});
        m_files->Open();
        QCOMPARE(m_messages->texts(), QStringList{u"Файл "_s + picture + u" не похож на журнал.\r\nВсё равно открыть его?"_s});
        QCOMPARE(m_files->curFileName(), yes ? picture : QString());
        QCOMPARE(m_grid->Rows() > 2, yes);

        // A journal, Cyrillic notes and all, is opened without a question.
        m_messages->clear();
        const QString journal = path(u"j.txt"_s);
        QVERIFY(put(journal, "1\t 1,000\tkg\tS\t07.12.2026 10:00:00\t\xEF\xF0\xE8\xEC\r\n\r\n2\t\t\t\t\t\r\n"));
        m_dialogs->choices = {journal};
        m_files->Open();
        QVERIFY(m_messages->messages().isEmpty());
        QCOMPARE(m_files->curFileName(), journal);
    }

    // New empties the journal once its changes are saved or given up, and
    // forgets the file: Save then writes nowhere. "Да" asks for a name even
    // for a journal loaded from a file; "Отмена" or a cancelled save keep all.
    void newStartsAnEmptyJournal_data()
    {
        QTest::addColumn<bool>("changes");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("saveAs"); // chosen in the save dialog; empty: cancelled
        QTest::addColumn<bool>("emptied");
        QTest::newRow("nothing to save") << false << int(Answer::No) << QString() << true;
        QTest::newRow("No") << true << int(Answer::No) << QString() << true;
        QTest::newRow("Yes, saved") << true << int(Answer::Yes) << u"saved.txt"_s << true;
        QTest::newRow("Yes, save cancelled") << true << int(Answer::Yes) << QString() << false;
        QTest::newRow("Cancel") << true << int(Answer::Cancel) << QString() << false;
    }

    void newStartsAnEmptyJournal()
    {
        QFETCH(bool, changes);
        QFETCH(int, answer);
        QFETCH(QString, saveAs);
        QFETCH(bool, emptied);
        const QString file = path(u"o.txt"_s);
        const QByteArray original = "1\t 2,000\tkg\tS\tt\tfrom file\r\n";
        QVERIFY(put(file, original));
        m_dialogs->choices = {file};
        m_files->Open();
        if (changes)
            record(u"new"_s);
        const int rows = m_grid->Rows();
        m_messages->answer({Answer(answer)});
        m_dialogs->choices = {saveAs.isEmpty() ? std::optional<QString>() : path(saveAs)};
        m_files->New();

        QStringList texts;
        if (changes)
            texts << LoseChanges;
        if (answer == int(Answer::Yes))
            texts << (saveAs.isEmpty() ? Cancelled : SavedIn + path(saveAs));
        QCOMPARE(m_messages->texts(), texts);
        if (changes)
            QCOMPARE(m_messages->messages()[0].buttons, UserMessages::Buttons::YesNoCancel);
        QCOMPARE(m_dialogs->shown.size(), answer == int(Answer::Yes) ? 2 : 1);
        QCOMPARE(m_grid->Rows(), emptied ? 1 : rows);
        QCOMPARE(m_label, emptied ? u"Новый"_s : file);
        QCOMPARE(m_files->curFileName(), emptied ? QString() : file);
        QCOMPARE(m_files->changed(), changes && !emptied);

        m_messages->clear();
        QCOMPARE(m_files->Save(), !emptied);
        if (emptied)
            checkOnly(MissingName, UserMessages::Icon::Information);
        QCOMPARE(bytesOf(file), emptied ? original : QByteArray(original + "2\t 1,000\tkg\tS\t07.12.2026 10:00:00\tnew\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestFileCommands)
#include "tst_filecommands.moc"

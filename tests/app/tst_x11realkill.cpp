#include "app/frm1.h"
#include "central/CentralSettings.h"
#include "central/Outbox.h"
#include "central/OutboxFormat.h"
#include "common/AnsiText.h"
#include "recovery/JournalRecovery.h"
#include "recovery/RecoveryFormat.h"
#include "settings/IniTxt.h"
#include "support/CentralServer.h"
#include "support/TestWindow.h"
#include "support/XServer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>
#include <QToolButton>

#include <csignal>
#include <optional>
#include <sys/prctl.h>

namespace {

constexpr int Timeout = 20000;
constexpr int Port = 3;
const QStringList Cycle{"1.000", "2.000", "3.000"};
const QString Note = QStringLiteral("партия 7");

} // namespace

// The installed program itself (not a test host) on a real X server: started
// in a folder of its own, reception begun with a real click, killed with
// SIGKILL while the virtual scale streams into it (once also in the middle
// of a save), then started again in the same folder and told "Да" with a
// real key. The rows it had come back, and it goes on numbering after them.
// Its central journal is on: started once more, it sends what its outbox
// kept, and the central journal holds every event once and the journal's
// readings as the restored journal has them.
class TestX11RealKill : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_program;
    QPoint m_startButton; // the centre of "Начать прием данных" in the window
    QPoint m_noteField;   // the centre of the note the readings take
    QPoint m_openButton;  // "Открыть"
    QPoint m_saveButton;  // "Сохранить"
    QProcess m_scale;
    QProcess m_app;
    QString m_station; // its UUID in the central journal

    static void dieWithTheTest(QProcess &p)
    {
        p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    }

    // xdotool's output; nothing when it failed.
    static std::optional<QByteArray> xdotool(const QStringList &args)
    {
        QProcess tool;
        tool.start(QStringLiteral("xdotool"), args);
        if (!tool.waitForFinished(Timeout) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
            return std::nullopt;
        return tool.readAllStandardOutput().trimmed();
    }

    // The program's only visible window: its question at the start, or its
    // main window (the question's window once gone).
    QByteArray visibleWindow(const QByteArray &other = {})
    {
        QByteArray found;
        (void)QTest::qWaitFor(
            [&] {
                const QList<QByteArray> ids = xdotool({"search", "--onlyvisible", "--name", "^Tarovik_RS232$"})
                                                  .value_or(QByteArray())
                                                  .split('\n');
                found = ids.size() == 1 && !ids.first().isEmpty() && ids.first() != other ? ids.first() : QByteArray();
                return !found.isEmpty();
            },
            Timeout);
        return found;
    }

    void startScale()
    {
        dieWithTheTest(m_scale);
        m_scale.setProcessChannelMode(QProcess::ForwardedErrorChannel); // its word on frames it lost
        m_scale.start(QStringLiteral(VIRTUAL_SCALE_PATH), {"--folder", m_dir.path(), "--port", QString::number(Port),
                                                           "--type", "0", "--interval-ms", "20", "--weights",
                                                           Cycle.join(',')});
        QVERIFY(m_scale.waitForStarted(Timeout));
        // The link leads to the scale's live terminal (not one left behind).
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(portLink()), Timeout);
    }

    QString portLink() const { return m_dir.filePath(QStringLiteral("ports/COM%1").arg(Port)); }

    void stopScale()
    {
        m_scale.kill();
        QVERIFY(m_scale.waitForFinished(Timeout));
        QFile::remove(portLink());
    }

    // Both ended; false (the test failed) when either did not end.
    bool killProgramAndScale()
    {
        killProgram();
        if (!QTest::currentTestFailed())
            stopScale();
        return !QTest::currentTestFailed();
    }

    // Both started; false (the test failed) when either did not start.
    bool startScaleAndProgram()
    {
        startScale();
        if (!QTest::currentTestFailed())
            startProgram();
        return !QTest::currentTestFailed();
    }

    void startProgram(const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        dieWithTheTest(m_app);
        m_app.setProcessEnvironment(environment);
        m_app.setWorkingDirectory(m_dir.path());
        m_app.setProcessChannelMode(QProcess::ForwardedChannels);
        m_app.start(m_program, {});
        QVERIFY(m_app.waitForStarted(Timeout));
    }

    // A real click at a point of the program's window.
    static bool click(const QByteArray &window, QPoint at)
    {
        return !window.isEmpty() && xdotool({"windowactivate", "--sync", window})
               && XServer::xdotool(
                   {"mousemove", "--window", window, QString::number(at.x()), QString::number(at.y()), "click", "1"});
    }

    // A visible window of the program other than window (a dialog).
    QByteArray otherWindow(const QByteArray &window)
    {
        QByteArray found;
        (void)QTest::qWaitFor(
            [&] {
                const QList<QByteArray> ids =
                    xdotool({"search", "--onlyvisible", "--pid", QString::number(m_app.processId())})
                        .value_or(QByteArray())
                        .split('\n');
                found.clear();
                for (const QByteArray &id : ids) {
                    if (!id.isEmpty() && id != window)
                        found = id;
                }
                return !found.isEmpty();
            },
            Timeout);
        return found;
    }

    // Whether the program has stopped itself (SIGSTOP).
    bool stopped() const
    {
        return QTest::qWaitFor(
            [&] {
                QFile stat(QStringLiteral("/proc/%1/stat").arg(m_app.processId()));
                if (!stat.open(QIODevice::ReadOnly))
                    return false;
                const QByteArray line = stat.readAll();
                // The state follows the command's name in parentheses.
                const qsizetype state = line.lastIndexOf(") ") + 2;
                return state >= 2 && state < line.size() && line.at(state) == 'T';
            },
            Timeout);
    }

    RecoveredJournal recovery()
    {
        QFile f(m_dir.filePath(JournalRecovery::fileName()));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return readRecovery(f.readAll()).value_or(RecoveredJournal{});
    }

    // Waits until the program has recorded at least rows rows.
    bool recorded(int rows)
    {
        return QTest::qWaitFor([&] { return recovery().rowCount() >= rows; }, Timeout);
    }

    void killProgram()
    {
        ::kill(pid_t(m_app.processId()), SIGKILL);
        QVERIFY(m_app.waitForFinished(Timeout));
        QCOMPARE(m_app.exitStatus(), QProcess::CrashExit);
    }

    // Rows from..rows.size() are whole readings of one stream: numbered in
    // order, their weights following the scale's cycle, with the note.
    static void checkStream(const QStringList &rows, int from, const QString &note)
    {
        for (int i = from; i < rows.size(); ++i) {
            const QStringList cells = rows.at(i).split(QLatin1Char('\t'));
            QVERIFY2(cells.size() >= 2, qPrintable(rows.at(i)));
            QCOMPARE(cells.at(0), QString::number(i + 1));
            QVERIFY2(Cycle.contains(cells.at(1).trimmed()), qPrintable(rows.at(i)));
            QCOMPARE(cells.last(), note);
            if (i > from) {
                const int previous = Cycle.indexOf(rows.at(i - 1).split(QLatin1Char('\t')).at(1).trimmed());
                // Both rows with their times; the scale says on stderr when it lost frames itself.
                QVERIFY2(cells.at(1).trimmed() == Cycle.at((previous + 1) % Cycle.size()),
                         qPrintable(QStringLiteral("a reading is missing between\n%1\n%2").arg(rows.at(i - 1), rows.at(i))));
            }
        }
    }

    // Started again in the same folder, the scale there again (the program
    // offers the ports it finds): "Да" (the default button) with the Enter
    // key. The rows before come back and new readings are numbered after
    // them: after "Нет" the recovery would begin again at row 1.
    void restoredAfterRestart(const QStringList &before)
    {
        if (!startScaleAndProgram())
            return;
        const QByteArray question = visibleWindow();
        QVERIFY(!question.isEmpty());
        QVERIFY(xdotool({"windowactivate", "--sync", question}));
        QVERIFY(XServer::xdotool({"key", "Return"}));
        const QByteArray window = visibleWindow(question);
        QVERIFY2(!window.isEmpty(), "the main window did not show after the answer");

        QVERIFY(click(window, m_startButton));
        QVERIFY2(recorded(int(before.size()) + 10), "no readings were recorded after the restart");
        killProgram();
        if (QTest::currentTestFailed())
            return;
        const QStringList after = recovery().rows();
        QCOMPARE(after.mid(0, before.size()), before);
        checkStream(after, int(before.size()), QString());
    }

    // Started once more and told "Да": what the outbox kept reaches the
    // server, every number once; the readings since the journal was last
    // emptied are the restored journal's rows, reading by reading.
    void centralHoldsTheJournal()
    {
        startProgram();
        if (QTest::currentTestFailed())
            return;
        const QByteArray question = visibleWindow();
        QVERIFY(xdotool({"windowactivate", "--sync", question}));
        QVERIFY(XServer::xdotool({"key", "Return"}));
        QFile outbox(m_dir.filePath(Outbox::fileName()));
        const auto numbered = [&] {
            return outbox.open(QIODevice::ReadOnly) ? OutboxFormat::read(outbox).nextSeq() - 1 : -1;
        };
        const qint64 last = numbered();
        outbox.close();
        QVERIFY(last > 0);
        const QString events =
            QStringLiteral("SELECT count(*) || ' ' || max(seq) FROM tarovik.events WHERE station = '%1'").arg(m_station);
        QTRY_COMPARE_WITH_TIMEOUT(CentralServer::superuser(events), QStringLiteral("%1 %1").arg(last), Timeout);
        killProgram();

        const RecoveredJournal journal = recovery();
        const QStringList rows = journal.rows();
        QJsonArray own;
        for (qsizetype i = 0; i < rows.size(); ++i)
            own.append(QJsonArray{journal.storedRows.at(i).id, rows.at(i)});
        const QJsonArray central = QJsonDocument::fromJson(CentralServer::superuser(QStringLiteral(
            "SELECT coalesce(json_agg(json_build_array(reading, concat_ws(E'\\t', nom_pp, weight_text, unit, stat, "
            "time_text, note)) ORDER BY reading), '[]') FROM tarovik.readings WHERE station = '%1' AND in_journal "
            "AND NOT deleted").arg(m_station)).toUtf8()).array();
        QCOMPARE(central, own);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Its own copy, so that its program folder (Init.ini, ports/, the
        // recovery) is the test's folder.
        m_program = m_dir.filePath(QStringLiteral("Tarovik_RS232"));
        QVERIFY(QFile::copy(QStringLiteral(PROGRAM_PATH), m_program));
        const QString ini = m_dir.filePath(QStringLiteral("Init.ini"));
        WriteIniValue(ini, QStringLiteral("UserSettings"), QStringLiteral("txtValTypeScale"), QStringLiteral("0"));
        WriteIniValue(ini, QStringLiteral("UserSettings"), QStringLiteral("arrLuft_0"), QStringLiteral("0"));
        WriteIniValue(ini, QStringLiteral("LastSettings"), QStringLiteral("CommNom"), QString::number(Port));
        QVERIFY2(CentralServer::ready(), "the central journal's test server is not there");
        CentralSettings central;
        central.enabled = true;
        central.connection.host = QStringLiteral("127.0.0.1");
        central.connection.port = CentralServer::port();
        central.connection.user = CentralServer::login(QStringLiteral("killed"), QStringLiteral("IN ROLE tarovik_station"),
                                                       QStringLiteral("пароль"));
        central.connection.sslMode = QStringLiteral("disable");
        central.connection.stationName = QStringLiteral("Весы, убитые");
        QVERIFY(central.write(ini));
        QVERIFY(CentralSettings::writePassword(ini, central.connection, QStringLiteral("пароль")));
        m_station = CentralSettings::read(ini).connection.station.toString(QUuid::WithoutBraces);

        // Where the button lies in the window: the same code under the same
        // style and fonts on the same server lays it out alike.
        TestWindow probe;
        probe.start();
        const auto *button = probe.window->findChild<QToolButton *>(QStringLiteral("tbrReadAllPlu"));
        QVERIFY(button);
        m_startButton = button->mapTo(probe.window.get(), button->rect().center());
        const auto *note = probe.window->findChild<QWidget *>(QStringLiteral("txtPrim"));
        QVERIFY(note);
        m_noteField = note->mapTo(probe.window.get(), note->rect().center());
        for (const auto &[name, at] : {std::pair{"tbrOpen", &m_openButton}, std::pair{"tbrSave", &m_saveButton}}) {
            const auto *b = probe.window->findChild<QToolButton *>(QLatin1String(name));
            QVERIFY(b);
            *at = b->mapTo(probe.window.get(), b->rect().center());
        }
    }

    // Each test begins with nothing to recover.
    void init() { QFile::remove(m_dir.filePath(JournalRecovery::fileName())); }

    void cleanup()
    {
        for (QProcess *p : {&m_app, &m_scale}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(Timeout);
            }
        }
        QFile::remove(portLink()); // the next scale links its own terminal
    }

    void killedWhileReceivingThenRestored()
    {
        // The first session: readings arrive, then the kill.
        if (!startScaleAndProgram())
            return;
        // The note typed with real keys (Cyrillic ones too) before reception.
        const QByteArray first = visibleWindow();
        QVERIFY(click(first, m_noteField));
        QVERIFY(XServer::type(Note, 150));
        QVERIFY(click(first, m_startButton));
        QVERIFY2(recorded(30), "no readings were recorded after the click");
        if (!killProgramAndScale())
            return;
        const QStringList before = recovery().rows();
        QVERIFY(before.size() >= 30);
        checkStream(before, 0, Note);

        restoredAfterRestart(before);
        if (!QTest::currentTestFailed())
            centralHoldsTheJournal();
    }

    // A journal opened from a file (large enough for its save to take many
    // writes) with the real open dialog, readings recorded, then "Сохранить":
    // the program stops itself right after the save's first write (a
    // preloaded library) and is killed there. The file keeps its old bytes;
    // every row comes back.
    void killedInTheMiddleOfASaveThenRestored()
    {
        const QString folder = m_dir.filePath(QStringLiteral("journals"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = QDir(folder).filePath(QStringLiteral("day.txt"));
        QStringList opened;
        QByteArray old;
        for (int i = 1; i <= 10000; ++i) {
            opened << QStringLiteral("%1\t  5.000\tkg\tS\t05.03.2024 09:00:00\tзапас %1").arg(i);
            old += AnsiText::encode(opened.last()) + "\r\n";
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(old), old.size());
        file.close();

        startScale();
        if (QTest::currentTestFailed())
            return;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(STOP_AFTER_WRITE_PATH));
        environment.insert(QStringLiteral("STOP_AFTER_WRITE_IN"), QDir(folder).canonicalPath());
        // AddressSanitizer's runtime (the sanitizer build) would have to come first.
        const QString asan = environment.value(QStringLiteral("ASAN_OPTIONS"));
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           asan + (asan.isEmpty() ? "" : ":") + QStringLiteral("verify_asan_link_order=0"));
        startProgram(environment);
        if (QTest::currentTestFailed())
            return;
        const QByteArray window = visibleWindow();
        QVERIFY(click(window, m_noteField));
        QVERIFY(XServer::type(Note, 150));
        QVERIFY(click(window, m_openButton));
        const QByteArray dialog = otherWindow(window);
        QVERIFY2(!dialog.isEmpty(), "no open dialog");
        QVERIFY(xdotool({"windowactivate", "--sync", dialog}));
        QVERIFY(XServer::type(path, 20));
        QVERIFY(XServer::xdotool({"key", "Return"}));
        QVERIFY(click(window, m_startButton));
        QVERIFY2(recorded(int(opened.size()) + 30), "the journal was not opened or no readings were recorded");
        QVERIFY(click(window, m_saveButton));
        QVERIFY2(stopped(), "the program did not stop in the save");
        if (!killProgramAndScale())
            return;

        // Never a torn file: the old one stays as it was.
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(file.readAll() == old, "the file being saved changed");
        const QStringList before = recovery().rows();
        QCOMPARE(before.mid(0, opened.size()), opened);
        QVERIFY(before.size() >= opened.size() + 30);
        checkStream(before, int(opened.size()), Note);

        restoredAfterRestart(before);
    }
};

TAROVIK_X11_TEST_MAIN(TestX11RealKill, true)
#include "tst_x11realkill.moc"

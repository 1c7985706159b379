#include "app/frm1.h"
#include "recovery/JournalRecovery.h"
#include "recovery/RecoveryFormat.h"
#include "settings/IniTxt.h"
#include "support/TestWindow.h"
#include "support/XServer.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
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
// SIGKILL while the virtual scale streams into it, then started again in the
// same folder and told "Да" with a real key. The rows it had come back, and
// it goes on numbering after them.
class TestX11RealKill : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_program;
    QPoint m_startButton; // the centre of "Начать прием данных" in the window
    QPoint m_noteField;   // the centre of the note the readings take
    QProcess m_scale;
    QProcess m_app;

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

    void startProgram()
    {
        dieWithTheTest(m_app);
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
                QCOMPARE(cells.at(1).trimmed(), Cycle.at((previous + 1) % Cycle.size()));
            }
        }
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
    }

    void cleanup()
    {
        for (QProcess *p : {&m_app, &m_scale}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(Timeout);
            }
        }
    }

    void killedWhileReceivingThenRestored()
    {
        // The first session: readings arrive, then the kill.
        startScale();
        if (QTest::currentTestFailed())
            return;
        startProgram();
        if (QTest::currentTestFailed())
            return;
        // The note typed with real keys (Cyrillic ones too) before reception.
        const QByteArray first = visibleWindow();
        QVERIFY(click(first, m_noteField));
        QVERIFY(XServer::xdotool({"type", "--delay", "150", Note}));
        QVERIFY(click(first, m_startButton));
        QVERIFY2(recorded(30), "no readings were recorded after the click");
        killProgram();
        if (QTest::currentTestFailed())
            return;
        stopScale();
        if (QTest::currentTestFailed())
            return;
        const QStringList before = recovery().rows();
        QVERIFY(before.size() >= 30);
        checkStream(before, 0, Note);

        // Started again in the same folder, the scale there again (the
        // program offers the ports it finds): "Да" (the default button)
        // with the Enter key.
        startScale();
        if (QTest::currentTestFailed())
            return;
        startProgram();
        if (QTest::currentTestFailed())
            return;
        const QByteArray question = visibleWindow();
        QVERIFY(!question.isEmpty());
        QVERIFY(xdotool({"windowactivate", "--sync", question}));
        QVERIFY(XServer::xdotool({"key", "Return"}));
        const QByteArray window = visibleWindow(question);
        QVERIFY2(!window.isEmpty(), "the main window did not show after the answer");

        // The restored rows stay, and new readings are numbered after them:
        // after "Нет" the recovery would begin again at row 1.
        QVERIFY(click(window, m_startButton));
        QVERIFY2(recorded(before.size() + 10), "no readings were recorded after the restart");
        killProgram();
        if (QTest::currentTestFailed())
            return;
        const QStringList after = recovery().rows();
        QCOMPARE(after.mid(0, before.size()), before);
        checkStream(after, before.size(), QString());
    }
};

TAROVIK_X11_TEST_MAIN(TestX11RealKill, true)
#include "tst_x11realkill.moc"

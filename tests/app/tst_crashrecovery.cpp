#include "app/frm1.h"
#include "common/AnsiText.h"
#include "files/FileCommands.h"
#include "journal/JournalGrid.h"
#include "support/FakeFileDialogs.h"
#include "support/FakeUserMessages.h"
#include "support/FakeSerialLine.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

constexpr int Timeout = 60000;
constexpr int Port = 5;
const QStringList Cycle{"1.000", "2.000", "3.000"};

} // namespace

// The program killed (SIGKILL) while the virtual scale streams into it, once
// also in the middle of a save: started again in the same folder and told
// "Да", it has every row it had recorded, with its note.
class TstCrashRecovery : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_scale;
    std::unique_ptr<QProcess> m_host;
    int m_lastRow = 0;

    void startScale()
    {
        m_scale = std::make_unique<QProcess>();
        m_scale->start(QStringLiteral(VIRTUAL_SCALE_PATH),
                       {"--folder", m_dir.path(), "--port", QString::number(Port), "--interval-ms", "10", "--weights",
                        Cycle.join(',')});
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(m_dir.filePath(QStringLiteral("ports/COM5"))); },
                                Timeout));
    }

    void startHost()
    {
        m_host = std::make_unique<QProcess>();
        m_host->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_host->start(QStringLiteral(RECOVERY_HOST_PATH), {m_dir.path(), QString::number(Port)});
        QVERIFY(m_host->waitForStarted(Timeout));
    }

    // Reads the host's lines until one starts with prefix; "row N" lines
    // keep the last N.
    QByteArray waitForLine(const QByteArray &prefix)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < Timeout) {
            while (m_host->canReadLine()) {
                const QByteArray line = m_host->readLine().trimmed();
                if (line.startsWith("row "))
                    m_lastRow = line.mid(4).toInt();
                if (line.startsWith(prefix))
                    return line;
            }
            m_host->waitForReadyRead(100);
        }
        return {};
    }

    void kill()
    {
        ::kill(pid_t(m_host->processId()), SIGKILL);
        QVERIFY(m_host->waitForFinished(Timeout));
        QCOMPARE(m_host->exitStatus(), QProcess::CrashExit);
        m_scale->terminate();
        QVERIFY(m_scale->waitForFinished(Timeout));
    }

    // The program again in the same folder, "Да" to the question.
    std::unique_ptr<frm1> restart(FakeUserMessages &messages, FakeFileDialogs &dialogs)
    {
        messages.answer({UserMessages::Answer::Yes});
        MainWindowServices services;
        services.programFolder = m_dir.path();
        services.commPort = std::make_unique<FakeSerialLine>();
        services.messages = &messages;
        services.fileDialogs = &dialogs;
        return std::make_unique<frm1>(std::move(services));
    }

    // The recorded rows follow the scale's cycle, each with the note.
    static void checkStreamedRows(const JournalGrid &journal, int from)
    {
        const int note = journal.Cols() - 1;
        for (int r = from; r < journal.Rows(); ++r) {
            QCOMPARE(journal.TextMatrix(r, 0), QString::number(r));
            QCOMPARE(journal.TextMatrix(r, 2).trimmed(), Cycle[(r - from) % 3]);
            QCOMPARE(journal.TextMatrix(r, note), QStringLiteral("партия 7"));
        }
    }

private slots:
    void init()
    {
        m_lastRow = 0;
        QFile::remove(m_dir.filePath(QStringLiteral("Journal.recovery")));
    }
    void cleanup()
    {
        for (QProcess *p : {m_host.get(), m_scale.get()}) {
            if (p && p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
        }
    }

    void killedWhileReceiving();
    void killedInTheMiddleOfASave();
};

void TstCrashRecovery::killedWhileReceiving()
{
    startScale();
    startHost();
    QVERIFY(!waitForLine("row 40").isEmpty());
    kill();

    FakeUserMessages messages;
    FakeFileDialogs dialogs;
    auto w = restart(messages, dialogs);
    QCOMPARE(messages.messages().size(), 1);
    QVERIFY(messages.texts().first().contains(QStringLiteral("Восстановить журнал?")));
    const JournalGrid &journal = w->journal();
    // Every row it told of, and nothing but whole rows of the stream.
    QVERIFY2(journal.Rows() - 1 >= m_lastRow, qPrintable(QStringLiteral("%1 < %2").arg(journal.Rows() - 1).arg(m_lastRow)));
    checkStreamedRows(journal, 1);
    QVERIFY(w->fileCommands().changed());
}

// A big journal opened, rows recorded, then killed while Save as writes it:
// the old file is untouched and the rows are all in the recovery.
void TstCrashRecovery::killedInTheMiddleOfASave()
{
    const QString opened = m_dir.filePath(QStringLiteral("big.txt"));
    const QString saved = m_dir.filePath(QStringLiteral("saved.txt"));
    constexpr int Loaded = 400000;
    {
        QFile f(opened);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray lines;
        const QByteArray note = AnsiText::encode(QStringLiteral("утро"));
        for (int i = 1; i <= Loaded; ++i)
            lines += QByteArray::number(i) + "\t    0.500\tkg\tS\t05.03.2024 09:00:00\t" + note + "\r\n";
        f.write(lines);
    }
    startScale();
    startHost();
    m_host->write(QStringLiteral("open %1\n").arg(opened).toUtf8());
    QCOMPARE(waitForLine("opened"), QByteArray("opened ") + QByteArray::number(Loaded));
    QVERIFY(!waitForLine(QByteArray("row ") + QByteArray::number(Loaded + 20)).isEmpty());
    m_host->write(QStringLiteral("save %1\n").arg(saved).toUtf8());
    QVERIFY(!waitForLine("saving").isEmpty());
    // The host kills itself once the save has written its first bytes.
    QVERIFY(m_host->waitForFinished(Timeout));
    QCOMPARE(m_host->exitStatus(), QProcess::CrashExit);
    m_scale->terminate();
    QVERIFY(m_scale->waitForFinished(Timeout));
    QVERIFY2(!QFileInfo::exists(saved), "the save had ended before the kill");

    FakeUserMessages messages;
    FakeFileDialogs dialogs;
    auto w = restart(messages, dialogs);
    const JournalGrid &journal = w->journal();
    QVERIFY(journal.Rows() - 1 >= m_lastRow);
    QCOMPARE(journal.TextMatrix(Loaded, 1), QString::number(Loaded));
    QCOMPARE(journal.TextMatrix(Loaded, journal.Cols() - 1), QStringLiteral("утро"));
    checkStreamedRows(journal, Loaded + 1);
    QCOMPARE(w->findChild<QLabel *>(QStringLiteral("lblCurFileName"))->text(), opened);
    QCOMPARE(w->fileCommands().curFileName(), opened);
}

QTEST_MAIN(TstCrashRecovery)
#include "tst_crashrecovery.moc"

// (4) The main window with the real serial line receiving from the virtual
// scale at the full line rate: type 0, dead zone 0, every frame recorded.
// Runs in a child, so that its processor time is its own. The runs with the
// big display ("Табло") open show what it adds to the receive path. A run of
// the receive rule's wake-ups alone shows what is left for the program's own
// work on this machine.

#include "Benches.h"
#include "Measure.h"

#include "app/frm1.h"
#include "journal/JournalGrid.h"
#include "link/FrameLayout.h"
#include "link/PortControl.h"
#include "link/QtSerialLine.h"
#include "link/ReceivePath.h"
#include "link/ScaleLink.h"
#include "recovery/JournalRecovery.h"
#include "settings/frmSettings.h"
#include "support/FakeLiveSettings.h"
#include "support/TestWindow.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTimer>

#include <algorithm>

namespace {

// What the receive rule alone asks of the process for each frame, on the
// real serial line opened as the program opens it: a wake-up for its bytes,
// another when the 10 ms pause ends, the frame read and answered with ACK.
// Nothing is echoed, decoded, recorded or shown.
class BareReceiver : public QObject
{
public:
    BareReceiver(const QString &folder, UserMessages &messages)
        : m_line(folder)
        , m_port(m_line, m_settings, messages)
    {
        m_pause.setSingleShot(true);
        m_pause.setInterval(ReceivePath::DeferralMs);
        connect(&m_line, &SerialLine::commEvent, this, [this](int code) {
            if (code == SerialLine::EvReceive && !m_pause.isActive())
                m_pause.start();
        });
        connect(&m_pause, &QTimer::timeout, this, [this] {
            while (m_line.portOpen() && m_line.inBufferCount() >= std::max(1, m_line.rThreshold())) {
                if (m_line.input().contains(FrameLayouts::ENQ))
                    m_line.output(QByteArray(1, FrameLayouts::ACK));
            }
        });
    }

    // With the port profile of scale type 0, as the program's runs.
    bool open(int port) { return m_port.PreparePort(port) == 0 && m_line.portOpen(); }

private:
    QtSerialLine m_line;
    FakeLiveSettings m_settings;
    PortControl m_port;
    QTimer m_pause;
};

} // namespace

bool runScale(const TestWindow &window, int seconds, const std::function<bool()> &start)
{
    QProcess scale;
    scale.start(QStringLiteral(VIRTUAL_SCALE_PATH),
                {"--folder", window.folder.path(), "--port", QString::number(LineRateScalePort), "--type", "0",
                 "--enq", "--weights", "1.000,2.000", "--seconds", QString::number(seconds)});
    const QString port = window.folder.filePath(QStringLiteral("ports/COM%1").arg(LineRateScalePort));
    if (!Measure::runUntil([&] { return QFileInfo::exists(port); }, 10))
        return false;

    const double cpu0 = Measure::cpuSeconds();
    const double wall0 = Measure::monotonicSeconds();
    if (!start() || !Measure::runUntilFinished(scale, seconds + 10))
        return false;
    const double cpu = Measure::cpuSeconds() - cpu0;
    const double wall = Measure::monotonicSeconds() - wall0;

    const QByteArray summary = scale.readAllStandardOutput(); // frames=N acks=M
    const auto field = [&summary](const QByteArray &name) {
        const qsizetype at = summary.indexOf(name + '=');
        return at < 0 ? -1.0 : summary.mid(at + name.size() + 1).split(' ').value(0).trimmed().toDouble();
    };
    Measure::report("frames", field("frames"));
    Measure::report("acks", field("acks"));
    Measure::report("cpu", cpu);
    Measure::report("wall", wall);
    return true;
}

bool receiveAtLineRate(const TestWindow &window, int seconds)
{
    frm1 &w = *window.window;
    w.settingsDialog().findChild<QComboBox *>(QStringLiteral("lstCommNom"))
        ->setEditText(QString::number(LineRateScalePort));
    if (!runScale(window, seconds, [&] {
            w.tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
            return true;
        }))
        return false;
    w.tbr1_ButtonClick(QStringLiteral("tbrStopRead"));
    return true;
}

namespace {

// The same window as the program's runs, shown and idle, beside a receiver
// that only does what the receive rule asks.
bool bareChild(int seconds)
{
    TestWindow window;
    writeSettings(window, {{"txtValTypeScale", "0"}, {"arrLuft_0", "0"}, {"chkShowStreamData", "1"}});
    frm1 &w = window.start(std::make_unique<QtSerialLine>(window.folder.path()));
    w.InitGrid(0);
    QCoreApplication::processEvents();
    waitForRecoveryBase(window.folder.path(), 0); // as the program's runs do
    BareReceiver receiver(window.folder.path(), window.messages);
    return runScale(window, seconds, [&] { return receiver.open(LineRateScalePort); });
}

} // namespace

bool lineRateChild(const QStringList &args)
{
    if (args.value(0) != QLatin1String("linerate"))
        return false;
    const int seconds = args.value(1).toInt();
    if (args.value(2) == QLatin1String("bare"))
        return bareChild(seconds);
    const int preloaded = args.value(2).toInt();
    TestWindow window;
    writeSettings(window, {{"txtValTypeScale", "0"}, {"arrLuft_0", "0"}, {"chkShowStreamData", "1"}});
    // Without the recovery: the window finds it held by another copy.
    QLockFile otherCopy(QDir(window.folder.path()).filePath(JournalRecovery::fileName()) + QStringLiteral(".lock"));
    if (args.value(3) == QLatin1String("off") && !otherCopy.tryLock(0))
        return false;
    frm1 &w = window.start(std::make_unique<QtSerialLine>(window.folder.path()));
    w.InitGrid(0); // as opening a file does first
    preloadJournal(w.journal(), preloaded);
    if (args.value(4) == QLatin1String("board")) {
        QAction *board = w.findChild<QAction *>(QStringLiteral("mnuBoard"));
        if (!board)
            return false;
        board->trigger();
    }
    QCoreApplication::processEvents();
    if (args.value(3) != QLatin1String("off"))
        waitForRecoveryBase(window.folder.path(), preloaded);

    if (!receiveAtLineRate(window, seconds))
        return false;
    Measure::report("rows", w.journal().Rows() - 1 - preloaded);
    Measure::report("messages", double(window.messages.messages().size()));
    Measure::report("recovery_kb", QFileInfo(window.folder.filePath(JournalRecovery::fileName())).size() / 1024.0);
    return true;
}

void benchLineRate(Table &table, const BenchOptions &options)
{
    const auto bare = Measure::runChild({"linerate", QString::number(options.lineRateSeconds), "bare"},
                                        options.lineRateSeconds + 60);
    const double bareFrames = bare.value("frames");
    const bool bareRan = bare.value("wall") > 0 && bareFrames > 0 && bare.value("acks") == bareFrames;
    const double bareShare = bareRan ? bare.value("cpu") / bare.value("wall") : 0;
    const QString bareText = bareRan ? QStringLiteral("%1 %").arg(100 * bareShare, 0, 'f', 1) : QStringLiteral("–");
    table.add({QStringLiteral("line rate %1 s, the receive rule alone (woken by the bytes and by the 10 ms "
                              "pause, each frame read and answered; the window shown, nothing recorded or shown): "
                              "processor time")
                   .arg(options.lineRateSeconds),
               QStringLiteral("%1 s (%2)").arg(bare.value("cpu"), 0, 'f', 2).arg(bareText),
               QStringLiteral("%1 s wall; %2 frames, %3 ACKs").arg(bare.value("wall"), 0, 'f', 1)
                   .arg(bareFrames).arg(bare.value("acks")),
               QString::number(bareShare, 'f', 3), QStringLiteral("every frame answered"), bareRan});
    const struct {
        int preloaded;
        bool recovery;
        bool board;
    } runs[] = {{0, true, false},
                {0, false, false},
                {options.lineRatePreloaded, true, false},
                {0, true, true},
                {options.lineRatePreloaded, true, true}};
    for (const auto &run : runs) {
        const int preloaded = run.preloaded;
        const auto r = Measure::runChild({"linerate", QString::number(options.lineRateSeconds),
                                          QString::number(preloaded), run.recovery ? "on" : "off",
                                          run.board ? "board" : "no board"},
                                         options.lineRateSeconds + 120);
        const QString name = QStringLiteral("line rate %1 s, %2, recovery %3%4").arg(options.lineRateSeconds)
            .arg(preloaded == 0 ? QStringLiteral("empty journal") : QStringLiteral("%L1 rows before").arg(preloaded))
            .arg(run.recovery ? QStringLiteral("on") : QStringLiteral("off"))
            .arg(run.board ? QStringLiteral(", Табло open") : QString());
        const double frames = r.value("frames"), rows = r.value("rows");
        table.add({name + QStringLiteral(": rows recorded"),
                   QStringLiteral("%1 rows, %2 ACKs").arg(rows).arg(r.value("acks")),
                   QStringLiteral("%1 frames sent").arg(frames), ratioText(rows, frames), QStringLiteral("none lost"),
                   frames > 0 && rows == frames && r.value("acks") == frames});
        const double share = r.value("wall") > 0 ? r.value("cpu") / r.value("wall") : 1;
        table.add({name + QStringLiteral(": processor time"),
                   QStringLiteral("%1 s (%2 %)").arg(r.value("cpu"), 0, 'f', 2).arg(100 * share, 0, 'f', 1),
                   QStringLiteral("%1 s wall; recovery file %2 KB; the receive rule alone %3")
                       .arg(r.value("wall"), 0, 'f', 1)
                       .arg(r.value("recovery_kb"), 0, 'f', 0)
                       .arg(bareText),
                   QString::number(share, 'f', 3),
                   QStringLiteral("≤ 2.5 %"), frames > 0 && share <= 0.025});
    }
}

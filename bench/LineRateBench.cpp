// (4) The main window with the real serial line receiving from the virtual
// scale at the full line rate: type 0, dead zone 0, every frame recorded.
// Runs in a child, so that its processor time is its own. The runs with the
// big display ("Табло") open show what it adds to the receive path.

#include "Benches.h"
#include "Measure.h"

#include "app/frm1.h"
#include "journal/JournalGrid.h"
#include "link/QtSerialLine.h"
#include "link/ScaleLink.h"
#include "recovery/JournalRecovery.h"
#include "settings/frmSettings.h"
#include "support/TestWindow.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>

bool lineRateChild(const QStringList &args)
{
    if (args.value(0) != QLatin1String("linerate"))
        return false;
    const int seconds = args.value(1).toInt();
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

    QProcess scale;
    scale.start(QStringLiteral(VIRTUAL_SCALE_PATH),
                {"--folder", window.folder.path(), "--port", "9", "--type", "0", "--enq", "--weights",
                 "1.000,2.000", "--seconds", QString::number(seconds)});
    if (!Measure::runUntil([&] { return QFileInfo::exists(window.folder.filePath(QStringLiteral("ports/COM9"))); },
                           10))
        return false;
    w.settingsDialog().findChild<QComboBox *>(QStringLiteral("lstCommNom"))->setEditText(QStringLiteral("9"));

    const double cpu0 = Measure::cpuSeconds();
    const double wall0 = Measure::monotonicSeconds();
    w.tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
    // The scale stops by itself, after the last ACK is in.
    if (!Measure::runUntilFinished(scale, seconds + 10))
        return false;
    const double cpu = Measure::cpuSeconds() - cpu0;
    const double wall = Measure::monotonicSeconds() - wall0;
    w.tbr1_ButtonClick(QStringLiteral("tbrStopRead"));

    const QByteArray summary = scale.readAllStandardOutput(); // frames=N acks=M
    const auto field = [&summary](const QByteArray &name) {
        const qsizetype at = summary.indexOf(name + '=');
        return at < 0 ? -1.0 : summary.mid(at + name.size() + 1).split(' ').value(0).trimmed().toDouble();
    };
    Measure::report("frames", field("frames"));
    Measure::report("acks", field("acks"));
    Measure::report("rows", w.journal().Rows() - 1 - preloaded);
    Measure::report("messages", double(window.messages.messages().size()));
    Measure::report("recovery_kb", QFileInfo(window.folder.filePath(JournalRecovery::fileName())).size() / 1024.0);
    Measure::report("cpu", cpu);
    Measure::report("wall", wall);
    return true;
}

void benchLineRate(Table &table, const BenchOptions &options)
{
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
                   QStringLiteral("%1 s wall; recovery file %2 KB").arg(r.value("wall"), 0, 'f', 1)
                       .arg(r.value("recovery_kb"), 0, 'f', 0),
                   QString::number(share, 'f', 3),
                   QStringLiteral("≤ 2.5 %"), frames > 0 && share <= 0.025});
    }
}

// Long jobs while the scale streams: a PDF and a workbook of a big journal
// exported through the menu while readings arrive over the real serial line
// from the virtual scale. Shown: the export's time, the readings' worst time
// error against their sending, and the longest pause of the window's event
// loop meanwhile.

#include "Benches.h"
#include "Measure.h"

#include "app/frm1.h"
#include "journal/JournalGrid.h"
#include "link/JournalTime.h"
#include "link/QtSerialLine.h"
#include "report/TimeReader.h"
#include "settings/frmSettings.h"
#include "support/TestWindow.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

namespace {

constexpr int ScalePort = 11;
constexpr int BeatMs = 10;

struct JobFigures {
    double seconds = 0;
    double worstError = -1; // seconds
    double longestPause = -1; // seconds
    double pauseCpu = -1;     // the window thread's processor time in it
    int readings = 0;
    bool written = false;
};

// The reading stamped with second s is right when its frame was sent within
// [s, s + 1): how far outside that the sending was.
double stampError(const QDateTime &stamp, qint64 sentMs)
{
    const double s = double(stamp.toSecsSinceEpoch());
    const double sent = sentMs / 1000.0;
    return std::max({0.0, s - sent, sent - (s + 1)});
}

JobFigures exportWhileStreaming(const char *item, const QString &file, int rows)
{
    JobFigures f;
    TestWindow window;
    writeSettings(window, {{"txtValTypeScale", "0"}, {"arrLuft_0", "0"}});
    frm1 &w = window.start(std::make_unique<QtSerialLine>(window.folder.path()));
    w.InitGrid(0); // as opening a file does first
    preloadJournal(w.journal(), rows);
    QCoreApplication::processEvents();
    waitForRecoveryBase(window.folder.path(), rows);

    const QString times = window.folder.filePath(QStringLiteral("sent.txt"));
    QProcess scale;
    scale.start(QStringLiteral(VIRTUAL_SCALE_PATH),
                {"--folder", window.folder.path(), "--port", QString::number(ScalePort), "--type", "0",
                 "--interval-ms", "250", "--times", times, "--weights", "1.125,2.125"});
    const QString port = window.folder.filePath(QStringLiteral("ports/COM%1").arg(ScalePort));
    if (!Measure::runUntil([&] { return QFileInfo::exists(port); }, 10))
        return f;
    w.settingsDialog().findChild<QComboBox *>(QStringLiteral("lstCommNom"))->setEditText(QString::number(ScalePort));
    w.tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
    if (!Measure::runUntil([&] { return w.journal().Rows() - 1 >= rows + 2; }, 10))
        return f;

    Measure::Pulse pulse(BeatMs);
    window.dialogs.choices = {window.folder.filePath(file)};
    pulse.start();
    const double t0 = Measure::monotonicSeconds();
    w.findChild<QAction *>(QLatin1String(item))->trigger();
    f.seconds = Measure::monotonicSeconds() - t0;
    Measure::runUntil([] { return false; }, 1); // readings after the export
    pulse.stop();
    f.longestPause = pulse.longestPause();
    f.pauseCpu = pulse.pauseCpu();
    f.written = window.messages.texts().value(window.messages.texts().size() - 1).startsWith(QStringLiteral("Данные"));
    w.tbr1_ButtonClick(QStringLiteral("tbrStopRead"));
    scale.terminate();
    scale.waitForFinished(10000);

    QFile sentFile(times);
    if (!sentFile.open(QIODevice::ReadOnly))
        return f;
    const QList<QByteArray> sent = sentFile.readAll().trimmed().split('\n');
    const TimeReader reader(JournalTime::programLocale());
    const int timeCol = w.journal().columnWithCaption(QStringLiteral("Время"));
    // Frame k is reading k: the weights alternate, the dead zone is 0.
    f.readings = std::min(int(sent.size()), w.journal().Rows() - 1 - rows);
    f.worstError = 0;
    for (int k = 0; k < f.readings; ++k)
        f.worstError = std::max(f.worstError, stampError(reader.read(w.journal().TextMatrix(rows + 1 + k, timeCol)),
                                                         sent[k].toLongLong()));
    return f;
}

void addRows(Table &table, const QString &job, const JobFigures &f)
{
    table.add({job + QStringLiteral(": the export"), millis(f.seconds), QString(), QString(), QString(), f.written});
    table.add({job + QStringLiteral(": worst time error of %L1 readings").arg(f.readings), millis(f.worstError),
               QString(), QString(), QStringLiteral("< 1 s"), f.readings > 0 && f.worstError >= 0 && f.worstError < 1});
    table.add({job + QStringLiteral(": longest pause of the window's event loop"), millis(f.longestPause),
               millis(f.pauseCpu) + QStringLiteral(" (the window thread's processor time in it)"), QString(),
               QStringLiteral("< 100 ms"), f.longestPause >= 0 && f.longestPause < 0.1});
}

} // namespace

void benchJobs(Table &table, const BenchOptions &options)
{
    const int rows = options.jobRows;
    addRows(table, QStringLiteral("PDF of %L1 rows while the scale streams").arg(rows),
            exportWhileStreaming("mnuExportPdf", QStringLiteral("j.pdf"), rows));
    addRows(table, QStringLiteral("Excel of %L1 rows while the scale streams").arg(rows),
            exportWhileStreaming("mnuExportExcel", QStringLiteral("j.xlsx"), rows));
}

// (3) Journal files: load and save in the main window against a bare
// read-and-split (and a bare write) of the same file in plain C++. Each case
// runs in a child of its own, so that its peak memory is its own, fileRuns
// times: the median is shown.

#include "Benches.h"
#include "Measure.h"

#include "app/frm1.h"
#include "common/AnsiText.h"
#include "files/FileCommands.h"
#include "files/JournalFile.h"
#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"
#include "recovery/JournalRecovery.h"
#include "support/TestWindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A counting scale's journal: eight fields a line, a Cyrillic note.
bool writeJournal(const QString &path, int rows)
{
    std::ofstream out(path.toStdString(), std::ios::binary);
    const QByteArray note = AnsiText::encode(QStringLiteral("Партия №%1, склад «Восточный»"));
    for (int r = 1; r <= rows; ++r) {
        out << r << "\t  12." << (r % 1000) << "\tkg\tS\t" << (r % 97) << "\t0.125\t05.03.2024 9:05:07\t"
            << QByteArray(note).replace("%1", QByteArray::number(r % 500)).constData() << "\r\n";
    }
    return bool(out);
}

using Lines = std::vector<std::vector<std::string>>;

Lines readAndSplit(const std::string &path)
{
    Lines lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> fields;
        for (size_t start = 0;;) {
            const size_t tab = line.find('\t', start);
            fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
        lines.push_back(std::move(fields));
    }
    return lines;
}

bool writeLines(const std::string &path, const Lines &lines)
{
    std::ofstream out(path, std::ios::binary);
    for (const auto &fields : lines) {
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i > 0)
                out << '\t';
            out << fields[i];
        }
        out << "\r\n";
    }
    return bool(out);
}

struct Span {
    long rss0 = 0;
    double wall0 = 0;
    double cpu0 = 0;

    Span()
    {
        rss0 = Measure::rssKb();
        Measure::resetPeakRss();
        wall0 = Measure::monotonicSeconds();
        cpu0 = Measure::cpuSeconds();
    }
    void report(long rows) const
    {
        Measure::report("seconds", Measure::monotonicSeconds() - wall0);
        Measure::report("cpu", Measure::cpuSeconds() - cpu0);
        Measure::report("rows", double(rows));
        Measure::report("peak_kb", double(Measure::peakRssKb() - rss0));
        Measure::report("kept_kb", double(Measure::rssKb() - rss0));
    }
};

frm1 &startCounting(TestWindow &window)
{
    writeSettings(window, {{"txtValTypeScale", "2"}, {"chkShowStreamData", "1"}});
    frm1 &w = window.start();
    QCoreApplication::processEvents();
    return w;
}

// Loading ends when the window has shown the loaded journal.
void loadIn(frm1 &w, const QString &file)
{
    w.GetPluDataFromFile(file);
    QCoreApplication::processEvents();
}

} // namespace

bool fileChild(const QStringList &args)
{
    const QString mode = args.value(0);
    const QString file = args.value(1);
    const QString out = args.value(2);
    if (mode == QLatin1String("load")) {
        TestWindow window;
        frm1 &w = startCounting(window);
        const Span span;
        loadIn(w, file);
        span.report(w.journal().Rows() - 1);
    } else if (mode == QLatin1String("save")) {
        TestWindow window;
        frm1 &w = startCounting(window);
        loadIn(w, file);
        const Span span;
        if (!w.fileCommands().WriteJournalFile(out, QStringLiteral("\t")))
            return false;
        span.report(w.journal().Rows() - 1);
    } else if (mode == QLatin1String("restore")) {
        // The journal as an unsaved session left it in the recovery file; the
        // start that restores it is measured whole.
        TestWindow window;
        writeSettings(window, {{"txtValTypeScale", "2"}, {"chkShowStreamData", "1"}});
        {
            JournalGrid journal;
            JournalLayout::apply(JournalLayout::counting(), journal);
            if (!JournalFile::readLines(
                    file, [] {}, [&journal](const QList<QByteArrayView> &lines) { journal.addFileLines(lines); }))
                return false;
            JournalRecovery recovery(window.folder.path(),
                                     {journal, [] { return JournalRecovery::Session{2, {}, {}}; }, {}});
            recovery.changed();
            Measure::report("recovery_bytes", double(QFileInfo(recovery.path()).size()));
        }
        window.messages.answer({UserMessages::Answer::Yes});
        const Span span;
        frm1 &w = window.start();
        QCoreApplication::processEvents();
        span.report(w.journal().Rows() - 1);
    } else if (mode == QLatin1String("start")) {
        // The same start with nothing to restore: what the restore adds to it.
        TestWindow window;
        const Span span;
        startCounting(window);
        span.report(0);
    } else if (mode == QLatin1String("bare-read")) {
        const Span span;
        const Lines lines = readAndSplit(file.toStdString());
        span.report(long(lines.size()));
    } else if (mode == QLatin1String("bare-write")) {
        const Lines lines = readAndSplit(file.toStdString());
        const Span span;
        if (!writeLines(out.toStdString(), lines))
            return false;
        span.report(long(lines.size()));
    } else {
        return false;
    }
    return true;
}

void benchFiles(Table &table, const BenchOptions &options)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("saved.txt"));
    for (int rows : options.fileRows) {
        const QString file = dir.filePath(QStringLiteral("journal%1.txt").arg(rows));
        if (!writeJournal(file, rows))
            return;
        const int timeout = 60 + rows / 2000;
        const auto child = [&](const QStringList &args) {
            return Measure::medianChild(args, timeout, options.fileRuns, QStringLiteral("cpu"), QStringLiteral("rows"));
        };
        const auto load = child({"load", file});
        const auto bare = child({"bare-read", file});
        const auto save = child({"save", file, out});
        const auto bareWrite = child({"bare-write", file, out});
        const bool ok = load.value("rows") == rows && bare.value("rows") == rows && save.value("rows") == rows;
        const bool big = rows == 100000;
        const bool shift = rows == 2000000; // a shift at line rate
        // Judged by processor time: on a machine shared with other work the
        // wall time waits for the processor too. Both are shown.
        // The wall time is the one of the run picked by its processor time.
        const QString median = options.fileRuns > 1 ? QStringLiteral("median of %1; ").arg(options.fileRuns) : QString();
        const auto timedAs = [&median](double cpu, double wall) {
            return millis(cpu) + QStringLiteral(" (%1wall %2)").arg(median, millis(wall));
        };
        const auto timed = [&timedAs](const QMap<QString, double> &r) {
            return timedAs(r.value("cpu"), r.value("seconds"));
        };
        const double loadS = load.value("cpu"), bareS = bare.value("cpu");
        table.add({QStringLiteral("load %L1 rows").arg(rows), timed(load),
                   timed(bare) + QStringLiteral(" read-and-split"), ratioText(loadS, bareS),
                   big ? QStringLiteral("≤ 300 ms, ≤ 5×") : shift ? QStringLiteral("≤ 600 ms") : QString(),
                   ok && (!big || (loadS <= 0.3 && loadS <= 5 * bareS)) && (!shift || loadS <= 0.6)});
        const double saveS = save.value("cpu"), bareWriteS = bareWrite.value("cpu");
        table.add({QStringLiteral("save %L1 rows").arg(rows), timed(save),
                   timed(bareWrite) + QStringLiteral(" plain write"), ratioText(saveS, bareWriteS),
                   big ? QStringLiteral("≤ 150 ms") : shift ? QStringLiteral("≤ 500 ms") : QString(),
                   ok && (!big || saveS <= 0.15) && (!shift || saveS <= 0.5)});
        const auto restore = child({"restore", file});
        const auto plainStart = child({"start"});
        // Beyond a plain start, by processor time as the load.
        const double restoreS = restore.value("cpu") - plainStart.value("cpu");
        const bool restored = restore.value("rows") == rows && !plainStart.isEmpty();
        const bool million = rows >= 1000000;
        table.add({QStringLiteral("restore %L1 rows at start-up (beyond a plain start)").arg(rows),
                   timedAs(restoreS, restore.value("seconds") - plainStart.value("seconds")),
                   timed(load) + QStringLiteral(" load"), ratioText(restoreS, loadS),
                   million ? QStringLiteral("≤ 2× load") : QString(),
                   restored && (!million || restoreS <= 2 * loadS)});
        const double recoveryBytes = restore.value("recovery_bytes"), fileBytes = double(QFileInfo(file).size());
        table.add({QStringLiteral("recovery file of %L1 rows with Cyrillic notes").arg(rows),
                   QStringLiteral("%1 KB").arg(recoveryBytes / 1024, 0, 'f', 0),
                   QStringLiteral("%1 KB journal file").arg(fileBytes / 1024, 0, 'f', 0), ratioText(recoveryBytes, fileBytes),
                   QStringLiteral("≤ 2×"), recoveryBytes > 0 && recoveryBytes <= 2 * fileBytes});
        const double perRow = load.value("peak_kb") * 1024 / rows, barePerRow = bare.value("peak_kb") * 1024 / rows;
        const double keptPerRow = load.value("kept_kb") * 1024 / rows;
        table.add({QStringLiteral("load %L1 rows: peak memory a row").arg(rows),
                   QStringLiteral("%1 B (kept %2 B)").arg(perRow, 0, 'f', 0).arg(keptPerRow, 0, 'f', 0),
                   QStringLiteral("%1 B (read-and-split)").arg(barePerRow, 0, 'f', 0), ratioText(perRow, barePerRow),
                   QStringLiteral("≤ 1 KB"), ok && perRow <= 1024});
        if (shift) {
            table.add({QStringLiteral("load %L1 rows: memory kept a row").arg(rows),
                       QStringLiteral("%1 B").arg(keptPerRow, 0, 'f', 0),
                       QStringLiteral("%1 B (the file\u2019s line)").arg(double(QFileInfo(file).size()) / rows, 0, 'f', 0),
                       ratioText(keptPerRow, double(QFileInfo(file).size()) / rows), QStringLiteral("≤ 120 B"),
                       ok && keptPerRow <= 120});
            table.add({QStringLiteral("load %L1 rows: peak memory against kept").arg(rows),
                       QStringLiteral("%1 MiB").arg(load.value("peak_kb") / 1024, 0, 'f', 0),
                       QStringLiteral("%1 MiB (kept)").arg(load.value("kept_kb") / 1024, 0, 'f', 0),
                       ratioText(load.value("peak_kb"), load.value("kept_kb")), QStringLiteral("≤ 1.5×"),
                       ok && load.value("peak_kb") <= 1.5 * load.value("kept_kb")});
            // The same journal restored after a crash, for the rest of the
            // shift: beyond a plain start.
            const double restoreKept = (restore.value("kept_kb") - plainStart.value("kept_kb")) * 1024 / rows;
            const double restorePeak = restore.value("peak_kb") - plainStart.value("kept_kb");
            table.add({QStringLiteral("restore %L1 rows: memory kept a row (peak %2 MiB)")
                           .arg(rows)
                           .arg(restorePeak / 1024, 0, 'f', 0),
                       QStringLiteral("%1 B").arg(restoreKept, 0, 'f', 0),
                       QStringLiteral("%1 B (kept after a load)").arg(keptPerRow, 0, 'f', 0),
                       ratioText(restoreKept, keptPerRow), QStringLiteral("≤ 120 B"),
                       restored && restoreKept <= 120});
        }
        table.add({QStringLiteral("save %L1 rows: peak memory a row").arg(rows),
                   QStringLiteral("%1 B").arg(save.value("peak_kb") * 1024 / rows, 0, 'f', 0),
                   QStringLiteral("%1 B (plain write)").arg(bareWrite.value("peak_kb") * 1024 / rows, 0, 'f', 0), {},
                   QStringLiteral("≤ 1 KB"), ok && save.value("peak_kb") * 1024 / rows <= 1024});
    }
}

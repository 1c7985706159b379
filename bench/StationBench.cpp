// The station's additions: a reading recorded with the totals on (and with
// the big display open), the PDF and workbook exports, the chart opening a
// big journal and drawing a panned range.

#include "Benches.h"
#include "Measure.h"

#include "app/frm1.h"
#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"
#include "link/ScaleLink.h"
#include "report/JournalTotals.h"
#include "report/WeightSeries.h"
#include "station/ChartWindow.h"
#include "support/TestWindow.h"

#include <QAction>
#include <QChart>
#include <QCoreApplication>
#include <QMenuBar>

#include <cstdio>

namespace {

constexpr int Readings = 500;

// Rows of a day at the scale: a reading every second, weights that wander.
void fill(JournalGrid &journal, int rows)
{
    constexpr int Batch = 100000;
    const QDateTime start(QDate(2026, 12, 7), QTime(6, 0));
    for (int done = 0; done < rows;) {
        QStringList lines;
        const int count = std::min(Batch, rows - done);
        for (int i = done + 1; i <= done + count; ++i)
            lines << QStringLiteral("%1\t%1\t%2\tkg\tS\t%3\tпартия 7")
                         .arg(i)
                         .arg(QString::number(10 + (i * 7919 % 5000) / 1000.0, 'f', 3))
                         .arg(start.addSecs(i).toString(QStringLiteral("dd.MM.yyyy H:mm:ss")));
        journal.addItems(lines);
        done += count;
    }
}

// Processor time per reading decoded and recorded, with the events it causes,
// after the first reading since the journal was opened.
double readingCost(int rows, bool boardOpen)
{
    TestWindow window;
    writeSettings(window, {{"txtValTypeScale", "0"}, {"arrLuft_0", "0"}});
    frm1 &w = window.start();
    w.InitGrid(0); // as opening a file does first
    fill(w.journal(), rows);
    if (boardOpen)
        w.menuBar()->findChild<QAction *>(QStringLiteral("mnuBoard"))->trigger();
    QCoreApplication::processEvents();
    waitForRecoveryBase(window.folder.path(), rows);
    const QString chunks[2] = {QString::fromLatin1(frameOf(0, QStringLiteral("1.000"))),
                               QString::fromLatin1(frameOf(0, QStringLiteral("2.000")))};
    firstReadingThenPause(w, chunks[1]); // measured by the record bench
    const double t0 = Measure::threadCpuSeconds();
    for (int i = 0; i < Readings; ++i) {
        w.ReadFrom_Unit(chunks[i % 2]);
        QCoreApplication::processEvents();
    }
    return (Measure::threadCpuSeconds() - t0) / Readings;
}

// Processor time per row appended to a bare journal of this size, with the
// totals following it or not: what the totals themselves cost.
double appendCost(int rows, bool withTotals)
{
    JournalGrid journal;
    JournalLayout::apply(JournalLayout::weighing(), journal);
    fill(journal, rows);
    std::unique_ptr<JournalTotals> totals;
    if (withTotals)
        totals = std::make_unique<JournalTotals>(journal);
    const QString row = QStringLiteral("1\t1\t  12.500\tkg\tS\t07.12.2026 10:00:00\t");
    const double t0 = Measure::threadCpuSeconds();
    for (int i = 0; i < Readings * 20; ++i)
        journal.AddItem(row);
    return (Measure::threadCpuSeconds() - t0) / (Readings * 20);
}

} // namespace

void benchStation(Table &table, const BenchOptions &options)
{
    const int big = options.stationRows;
    const double empty = readingCost(0, false);
    const double full = readingCost(big, false);
    table.add({QStringLiteral("totals: one reading into %L1 rows, totals on").arg(big), micros(full),
               micros(empty) + QStringLiteral(" (empty journal)"), ratioText(full, empty), QStringLiteral("≤ 1.5×"),
               full <= 1.5 * empty});
    const double bare = appendCost(big, false);
    const double summed = appendCost(big, true);
    const double summedEmpty = appendCost(0, true);
    table.add({QStringLiteral("totals: one row appended to %L1 rows, totals following").arg(big), micros(summed),
               micros(summedEmpty) + QStringLiteral(" (empty journal)"), ratioText(summed, summedEmpty),
               QStringLiteral("≤ 1.5×"), summed <= 1.5 * summedEmpty});
    table.add({QStringLiteral("totals: the same without totals"), micros(bare), micros(summed) + QStringLiteral(" (with)"),
               ratioText(bare, summed), QString(), true});
    const double board = readingCost(big, true);
    table.add({QStringLiteral("Табло open: one reading into %L1 rows").arg(big), micros(board),
               micros(full) + QStringLiteral(" (closed)"), ratioText(board, full), QStringLiteral("≤ 1.2×"),
               board <= 1.2 * full});

    TestWindow window;
    frm1 &w = window.start();
    // Through the menu, as the operator exports: the command returns once
    // its job has ended.
    auto exportTo = [&](const char *item, const QString &name) {
        window.dialogs.choices = {window.folder.filePath(name)};
        const double t0 = Measure::monotonicSeconds();
        w.findChild<QAction *>(QLatin1String(item))->trigger();
        const double seconds = Measure::monotonicSeconds() - t0;
        const bool written = window.messages.texts().value(window.messages.texts().size() - 1)
                                 .endsWith(window.folder.filePath(name));
        return written ? seconds : -1.0;
    };
    fill(w.journal(), options.pdfRows);
    const double pdfSeconds = exportTo("mnuExportPdf", QStringLiteral("j.pdf"));
    table.add({QStringLiteral("PDF: %L1 rows").arg(options.pdfRows), millis(pdfSeconds), QString(), QString(),
               QStringLiteral("≤ 3 s"), pdfSeconds >= 0 && pdfSeconds <= 3});

    w.InitGrid(0);
    fill(w.journal(), options.xlsxRows);
    const double xlsxSeconds = exportTo("mnuExportExcel", QStringLiteral("j.xlsx"));
    table.add({QStringLiteral("Excel: %L1 rows").arg(options.xlsxRows), millis(xlsxSeconds), QString(), QString(),
               QStringLiteral("≤ 5 s"), xlsxSeconds >= 0 && xlsxSeconds <= 5});

    w.InitGrid(0);
    fill(w.journal(), options.chartRows);
    QCoreApplication::processEvents();
    double t0 = Measure::monotonicSeconds();
    auto *chart = new ChartWindow(w.journal(), &w);
    chart->show();
    QCoreApplication::processEvents();
    const double open = Measure::monotonicSeconds() - t0;
    table.add({QStringLiteral("chart: opening %L1 rows").arg(options.chartRows), millis(open), QString(), QString(),
               QStringLiteral("≤ 1 s"), open <= 1});
    const int pans = 20;
    t0 = Measure::monotonicSeconds();
    for (int i = 0; i < pans; ++i) {
        chart->chart().scroll(i % 2 ? -30 : 30, 0);
        chart->redraw();
        QCoreApplication::processEvents();
    }
    const double pan = (Measure::monotonicSeconds() - t0) / pans;
    table.add({QStringLiteral("chart: one pan step over %L1 rows").arg(options.chartRows), millis(pan), QString(),
               QString(), QStringLiteral("≤ 50 ms"), pan <= 0.05});
    std::fprintf(stderr, "bench: chart resident %ld MiB\n", Measure::rssKb() / 1024);
    delete chart;
}

// (1) The receive path, chunk by chunk, in the real main window over a fake
// line; (2) one recorded reading into a big journal against an empty one.

#include "Benches.h"
#include "Measure.h"

#include "app/frm1.h"
#include "journal/JournalGrid.h"
#include "link/ScaleLink.h"
#include "support/FakeSerialLine.h"
#include "support/TestWindow.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int FillBatch = 1000;

// Marks where the handling of each chunk begins: the receive path reads the
// line first.
class TimedLine : public FakeSerialLine
{
public:
    double readAt = 0;
    QByteArray input() override
    {
        readAt = Measure::threadCpuSeconds();
        return FakeSerialLine::input();
    }
};

const Settings ReceiveSettings = {{"txtValTypeScale", "0"}, {"arrLuft_0", "0"}, {"chkShowStreamData", "1"},
                                  {"CommNom", "1"}};

struct ReceiveRig {
    TestWindow window;
    TimedLine *line = nullptr;
    QByteArray frames[2] = {frameOf(0, QStringLiteral("1.000")), frameOf(0, QStringLiteral("2.000"))};
    long handled = 0;
    double handlingCpu = 0; // from reading a chunk to its row recorded

    ReceiveRig()
    {
        writeSettings(window, ReceiveSettings);
        auto timed = std::make_unique<TimedLine>();
        line = timed.get();
        frm1 &w = window.start(std::move(timed));
        QObject::connect(&w.scaleLink().recorder(), &Recorder::recorded, [this] {
            handlingCpu += Measure::threadCpuSeconds() - line->readAt;
            ++handled;
        });
        w.tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
    }

    // Sends count frames at once: the receive path takes them one after
    // another after a single deferral.
    bool send(int count)
    {
        QByteArray bytes;
        for (int i = 0; i < count; ++i)
            bytes += frames[(handled + i) % 2];
        const long goal = handled + count;
        line->clearLog(); // the fake's log would grow for the whole run
        line->feed(bytes);
        return Measure::runUntil([&] { return handled >= goal; }, 60 + count * 0.01);
    }

    // The journal reaches chunks rows: those beyond the last thousand
    // loaded as a file's lines are (the receive path would take minutes),
    // the last thousand received.
    bool fillTo(long chunks)
    {
        JournalGrid &journal = window.window->journal();
        const long loaded = chunks - FillBatch - (journal.Rows() - 1);
        if (loaded > 0) {
            preloadJournal(journal, int(loaded));
            QCoreApplication::processEvents();
        }
        while (journal.Rows() - 1 < chunks) {
            if (!send(int(std::min<long>(FillBatch, chunks - (journal.Rows() - 1)))))
                return false;
        }
        return true;
    }
};

struct WindowCost {
    double handling = 0; // per chunk, the receive path itself
    double total = 0;    // per chunk, all the process did meanwhile (repaints too)
    double burst = 0;    // per chunk, the receive path itself, chunks waiting back to back
};

// Chunks one at a time, each handled (and the window repainted as it
// wishes) before the next comes; the deferral waits without using the
// processor, so the processor time leaves it out.
WindowCost measureWindow(ReceiveRig &rig, int chunks)
{
    rig.handlingCpu = 0;
    const double cpu0 = Measure::cpuSeconds();
    for (int i = 0; i < chunks; ++i)
        rig.send(1);
    WindowCost cost{rig.handlingCpu / chunks, (Measure::cpuSeconds() - cpu0) / chunks, 0};
    // The same number of chunks waiting at once, handled one after another
    // with the processor's caches warm, as when a scale streams.
    rig.handlingCpu = 0;
    rig.send(chunks);
    cost.burst = rig.handlingCpu / chunks;
    return cost;
}

} // namespace

void benchReceive(Table &table, const BenchOptions &options)
{
    ReceiveRig rig;
    WindowCost first;
    for (int mark : options.receiveMarks) {
        if (!rig.fillTo(std::max(0, mark - options.receiveWindow / 2))) {
            table.add({QStringLiteral("receive: chunk %1").arg(mark), QStringLiteral("stalled"), {}, {}, {}, false});
            return;
        }
        const WindowCost cost = measureWindow(rig, options.receiveWindow);
        if (mark == options.receiveMarks.first())
            first = cost;
        const bool flat = cost.handling <= 1.5 * first.handling;
        table.add({QStringLiteral("receive: chunk %L1, handling").arg(mark), micros(cost.handling),
                   micros(first.handling) + QStringLiteral(" (chunk %L1)").arg(options.receiveMarks.first()),
                   ratioText(cost.handling, first.handling), QStringLiteral("≤ 20 µs, ≤ 1.5×"),
                   cost.handling <= 20e-6 && flat});
        table.add({QStringLiteral("receive: chunk %L1, handling back to back").arg(mark), micros(cost.burst),
                   micros(first.burst) + QStringLiteral(" (chunk %L1)").arg(options.receiveMarks.first()),
                   ratioText(cost.burst, first.burst), QStringLiteral("≤ 20 µs, ≤ 1.5×"),
                   cost.burst <= 20e-6 && cost.burst <= 1.5 * first.burst});
        table.add({QStringLiteral("receive: chunk %L1, with repaints").arg(mark), micros(cost.total),
                   micros(first.total) + QStringLiteral(" (chunk %L1)").arg(options.receiveMarks.first()),
                   ratioText(cost.total, first.total), QStringLiteral("≤ 1.3×"), cost.total <= 1.3 * first.total});
        std::fprintf(stderr, "bench: %d rows, resident %ld MiB\n", rig.window.window->journal().Rows() - 1,
                     Measure::rssKb() / 1024);
    }
}

namespace {

constexpr int Readings = 500;

struct RecordCost {
    double first = 0;  // the first reading after the journal was opened, with its events
    double record = 0; // per reading: decoded and recorded, the views told
    double total = 0;  // per reading, with the events it causes (repaints too)
};

// Processor time per reading decoded and recorded in the main window, each
// followed by the events it causes. The first reading after opening takes
// the start of the recovery file written meanwhile: it is measured apart,
// and a quiet spell follows.
RecordCost recordCost(int journalRows)
{
    TestWindow window;
    writeSettings(window, ReceiveSettings);
    frm1 &w = window.start();
    w.InitGrid(0); // as opening a file does first
    preloadJournal(w.journal(), journalRows);
    QCoreApplication::processEvents();
    waitForRecoveryBase(window.folder.path(), journalRows);
    const QString chunks[2] = {QString::fromLatin1(frameOf(0, QStringLiteral("1.000"))),
                               QString::fromLatin1(frameOf(0, QStringLiteral("2.000")))};
    RecordCost cost;
    cost.first = firstReadingThenPause(w, chunks[1]);
    const double all0 = Measure::threadCpuSeconds();
    for (int i = 0; i < Readings; ++i) {
        const double t0 = Measure::threadCpuSeconds();
        w.ReadFrom_Unit(chunks[i % 2]);
        cost.record += Measure::threadCpuSeconds() - t0;
        QCoreApplication::processEvents();
    }
    cost.total = (Measure::threadCpuSeconds() - all0) / Readings;
    cost.record /= Readings;
    if (w.journal().Rows() != journalRows + 1 + Readings + 1)
        std::fprintf(stderr, "bench: recording lost readings\n");
    return cost;
}

} // namespace

void benchRecord(Table &table, const BenchOptions &options)
{
    const RecordCost empty = recordCost(0);
    const RecordCost big = recordCost(options.recordJournalRows);
    table.add({QStringLiteral("record: the first reading a moment after opening %L1 rows (it starts the recovery file)")
                   .arg(options.recordJournalRows),
               millis(big.first), millis(empty.first) + QStringLiteral(" (empty journal)"),
               ratioText(big.first, empty.first), QString(), true});
    table.add({QStringLiteral("record: one reading into %L1 rows").arg(options.recordJournalRows), micros(big.record),
               micros(empty.record) + QStringLiteral(" (empty journal)"), ratioText(big.record, empty.record),
               QStringLiteral("≤ 2×"), big.record <= 2 * empty.record});
    table.add({QStringLiteral("record: the same with its events"), micros(big.total),
               micros(empty.total) + QStringLiteral(" (empty journal)"), ratioText(big.total, empty.total),
               QStringLiteral("≤ 1.5×"), big.total <= 1.5 * empty.total});
}

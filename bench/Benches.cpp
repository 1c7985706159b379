#include "Benches.h"

#include "app/frm1.h"
#include "journal/JournalGrid.h"
#include "journal/JournalView.h"
#include "link/FrameBuilder.h"
#include "Measure.h"
#include "recovery/JournalRecovery.h"
#include "recovery/RecoveryFormat.h"
#include "settings/IniTxt.h"
#include "support/TestWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>

void writeSettings(const TestWindow &window, const Settings &settings)
{
    for (const auto &s : settings) {
        const bool last = s.first == QLatin1String("CommNom");
        WriteIniValue(window.ini(), last ? QStringLiteral("LastSettings") : QStringLiteral("UserSettings"), s.first,
                      s.second);
    }
}

QByteArray frameOf(int type, const QString &weight)
{
    FrameContent content;
    content.weight = weight;
    content.unit = QStringLiteral("kg");
    content.quantity = QStringLiteral("10");
    content.unitWeight = QStringLiteral("0.125");
    return *FrameBuilder::build(*FrameLayouts::forType(type), content, true);
}

void preloadJournal(JournalGrid &journal, int rows)
{
    // Lines of a weighing scale's journal file, as opening one gives them,
    // a hundred thousand at a time.
    constexpr int Batch = 100000;
    const QByteArray note = "\xEF\xE0\xF0\xF2\xE8\xFF 7"; // "партия 7"
    QByteArray bytes;
    QList<QByteArrayView> lines;
    for (int done = 0; done < rows;) {
        const int count = std::min(Batch, rows - done);
        bytes.clear();
        QList<qsizetype> ends;
        for (int i = 1; i <= count; ++i) {
            bytes += QByteArray::number(done + i) + "\t  12.500\tkg\tS\t05.03.2024 9:05:07\t" + note;
            ends << bytes.size();
        }
        lines.clear();
        for (qsizetype i = 0, start = 0; i < ends.size(); start = ends[i++])
            lines << QByteArrayView(bytes).sliced(start, ends[i] - start);
        journal.addFileLines(lines);
        done += count;
    }
}

void waitForRecoveryBase(const QString &folder, int rows)
{
    QByteArray tail; // the base ends with its row count
    RecoveryFormat::appendRecord(tail, RecoveryFormat::whole(rows));
    const auto written = [&] {
        QFile file(QDir(folder).filePath(JournalRecovery::baseFileName()));
        return file.open(QIODevice::ReadOnly) && file.size() >= tail.size() && file.seek(file.size() - tail.size())
            && file.read(tail.size()) == tail;
    };
    if (!Measure::runUntil(written, 60))
        std::fprintf(stderr, "bench: the recovery file's start was not written\n");
}

double firstReadingThenPause(frm1 &window, const QString &chunk)
{
    const double t0 = Measure::threadCpuSeconds();
    window.ReadFrom_Unit(chunk);
    QCoreApplication::processEvents();
    const double first = Measure::threadCpuSeconds() - t0;
    Measure::runUntil([] { return false; }, 2.5 * JournalView::MinRepaintMs / 1000);
    return first;
}

#pragma once

#include "Table.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

class JournalGrid;
class frm1;
class TestWindow;

// What a run measures; the defaults are the figures the targets speak of.
struct BenchOptions {
    QList<int> receiveMarks{1000, 100000, 1000000, 2000000};
    int receiveWindow = 1000; // chunks measured around each mark
    int recordJournalRows = 2000000;
    QList<int> fileRows{10000, 100000, 2000000};
    int fileRuns = 3; // each child of the files part, its median taken
    int lineRateSeconds = 60;
    int lineRatePreloaded = 1000000; // rows in the journal before the line rate starts
    int startupRuns = 5;
    int stationRows = 1000000; // the journal a reading is recorded into, totals on
    int pdfRows = 10000;
    int xlsxRows = 100000;
    int chartRows = 1000000;
    int jobRows = 1000000; // the journal exported while the scale streams
    int centralEvents = 200000; // in the outbox when the server comes back
    int centralUnreachableSeconds = 6; // the sender trying, each kind of unreachable server
    int centralLineSeconds = 60; // three stations at line rate, the central journal on, then off
};

using Settings = QList<QPair<QString, QString>>;

// Writes user settings into the Init.ini of a window that is not started yet.
void writeSettings(const TestWindow &window, const Settings &settings);
// Appends rows of a weighing journal to the journal, as opening a file does.
void preloadJournal(JournalGrid &journal, int rows);
// Waits until the start of the recovery file in folder, the whole journal of
// rows rows, is written beforehand, as it is a moment after a journal is
// opened: the first reading then only takes it.
void waitForRecoveryBase(const QString &folder, int rows);
// The first reading a moment after opening takes the start of the recovery
// file written meanwhile, once an open: it is made here, and a quiet spell
// follows, so that the next reading shows at once, as the first reading after
// a pause does. Returns the first reading's processor time, its events
// included.
double firstReadingThenPause(frm1 &window, const QString &chunk);
// The port of the line rate's virtual scale, in the window's folder.
constexpr int LineRateScalePort = 9;
// Runs the virtual scale (type 0 with ENQ, two weights) for seconds on the
// scale's port in the window's folder; start() begins the reception once the
// port is there. Reports the scale's frames and the ACKs it got, and the
// process's processor time and the wall time from start() until the scale
// ends, after the last ACK is in.
bool runScale(const TestWindow &window, int seconds, const std::function<bool()> &start);
// The started window receives from the virtual scale on its port for
// seconds (tbrReadAllPlu), as runScale() reports, then stops.
bool receiveAtLineRate(const TestWindow &window, int seconds);
// A frame of scale type t with this weight, ENQ at its end.
QByteArray frameOf(int type, const QString &weight);

void benchReceive(Table &table, const BenchOptions &options);
void benchRecord(Table &table, const BenchOptions &options);
void benchFiles(Table &table, const BenchOptions &options);
void benchLineRate(Table &table, const BenchOptions &options);
void benchStartup(Table &table, const BenchOptions &options);
void benchStation(Table &table, const BenchOptions &options);
void benchJobs(Table &table, const BenchOptions &options);
void benchCentral(Table &table, const BenchOptions &options);

// The child runs, by the first argument after "--child"; false when the
// name is none of theirs.
bool fileChild(const QStringList &args);
bool lineRateChild(const QStringList &args);
bool startupChild(const QStringList &args);
bool centralLineChild(const QStringList &args);

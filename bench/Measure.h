#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class QProcess;

// Clocks, memory and child runs for the benchmarks.
namespace Measure {

// Processor time of the whole process (user + system) and of this thread.
double cpuSeconds();
double threadCpuSeconds();
// CLOCK_MONOTONIC: comparable between processes of one machine.
double monotonicSeconds();

// Resident memory now and its peak, from /proc/self/status, in KiB.
long rssKb();
long peakRssKb();
// Starts the peak over from the present size (false where the kernel cannot).
bool resetPeakRss();

// Lets events run until done() holds or seconds pass; false on time-out.
// The loop wakes on a heartbeat of its own too, to look at done() again.
bool runUntil(const std::function<bool()> &done, double seconds);
// Lets events run as the program's own loop does, with no wake-up of the
// bench's, until the process ends or seconds pass; false on time-out.
bool runUntilFinished(QProcess &process, double seconds);

// A child run: this executable with "--child" and args. It reports figures
// as lines "name=value", which come back as a map (empty when it failed).
QMap<QString, double> runChild(const QStringList &args, int timeoutSeconds);
// Children side by side, one a list of args; their figures in that order.
QList<QMap<QString, double>> runChildren(const QList<QStringList> &runs, int timeoutSeconds);
// The same child run runs times (once at least): the run whose figure by is
// the median.
// Empty when a run failed or the runs disagree on their figure agreed (what
// they handled): a failure must not hide behind the runs that went well.
// One run of a few hundred milliseconds is at the mercy of whatever else
// the machine did meanwhile.
QMap<QString, double> medianChild(const QStringList &args, int timeoutSeconds, int runs, const QString &by,
                                  const QString &agreed);
// In the child: one figure for the parent.
void report(const char *name, double value);

// The event loop's pulse: a timer of beatMs on this thread, and the longest
// gap between two of its turns beyond the beat, with how much of it this
// thread worked (the rest, on a busy machine, other processes had the
// processor).
class Pulse
{
public:
    explicit Pulse(int beatMs);
    void start();
    void stop() { m_timer.stop(); }
    double longestPause() const { return m_longestNs / 1e9 - m_beatMs / 1000.0; } // seconds
    double pauseCpu() const { return m_pauseCpu; }                              // seconds

private:
    int m_beatMs;
    QTimer m_timer;
    QElapsedTimer m_beat;
    qint64 m_longestNs = 0;
    double m_cpuAtBeat = 0;
    double m_pauseCpu = -1;
};

} // namespace Measure

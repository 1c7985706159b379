#include "Measure.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

double seconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

namespace Measure {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double threadCpuSeconds()
{
    return seconds(CLOCK_THREAD_CPUTIME_ID);
}

double monotonicSeconds()
{
    return seconds(CLOCK_MONOTONIC);
}

long rssKb()
{
    return statusKb("VmRSS");
}

long peakRssKb()
{
    return statusKb("VmHWM");
}

bool resetPeakRss()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

bool runUntil(const std::function<bool()> &done, double seconds)
{
    // A heartbeat, so that waiting for events always wakes to look again.
    QTimer beat;
    beat.start(50);
    const QDeadlineTimer deadline(qint64(seconds * 1000));
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

bool runUntilFinished(QProcess &process, double seconds)
{
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    return process.state() == QProcess::NotRunning;
}

QMap<QString, double> runChild(const QStringList &args, int timeoutSeconds)
{
    return runChildren({args}, timeoutSeconds).constFirst();
}

QList<QMap<QString, double>> runChildren(const QList<QStringList> &runs, int timeoutSeconds)
{
    std::vector<std::unique_ptr<QProcess>> children;
    for (const QStringList &args : runs) {
        children.push_back(std::make_unique<QProcess>());
        children.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        children.back()->start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--child")} + args);
    }
    QElapsedTimer clock;
    clock.start();
    QList<QMap<QString, double>> results;
    for (size_t i = 0; i < children.size(); ++i) {
        QProcess &child = *children[i];
        QMap<QString, double> figures;
        const int left = int(std::max<qint64>(0, timeoutSeconds * 1000LL - clock.elapsed()));
        if (!child.waitForFinished(left) || child.exitCode() != 0) {
            child.kill();
            child.waitForFinished();
            std::fprintf(stderr, "bench: child %s failed\n", qPrintable(runs.at(qsizetype(i)).join(QLatin1Char(' '))));
        } else {
            for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
                const qsizetype eq = line.indexOf('=');
                if (eq > 0)
                    figures.insert(QString::fromLatin1(line.left(eq)), line.mid(eq + 1).toDouble());
            }
        }
        results.append(figures);
    }
    return results;
}

QMap<QString, double> medianChild(const QStringList &args, int timeoutSeconds, int runs, const QString &by,
                                  const QString &agreed)
{
    std::vector<QMap<QString, double>> done;
    for (int i = 0; i < std::max(1, runs); ++i) {
        auto figures = runChild(args, timeoutSeconds);
        if (figures.isEmpty() || (!done.empty() && figures.value(agreed) != done.front().value(agreed)))
            return {};
        done.push_back(std::move(figures));
    }
    const auto middle = done.begin() + qsizetype(done.size() / 2);
    std::nth_element(done.begin(), middle, done.end(),
                     [&by](const auto &a, const auto &b) { return a.value(by) < b.value(by); });
    return *middle;
}

void report(const char *name, double value)
{
    std::printf("%s=%.9g\n", name, value);
    std::fflush(stdout);
}

Pulse::Pulse(int beatMs) : m_beatMs(beatMs)
{
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        const double cpu = threadCpuSeconds();
        if (m_beat.nsecsElapsed() > m_longestNs) {
            m_longestNs = m_beat.nsecsElapsed();
            m_pauseCpu = cpu - m_cpuAtBeat;
        }
        m_cpuAtBeat = cpu;
        m_beat.restart();
    });
}

void Pulse::start()
{
    m_longestNs = 0;
    m_pauseCpu = -1;
    m_beat.start();
    m_cpuAtBeat = threadCpuSeconds();
    m_timer.start(m_beatMs);
}

} // namespace Measure

// The supervisor's reads over a large central journal, against the server
// bench/supervisor-read.sh loads: the first screen, a filter, an event's
// commit to its row in the model, memory while paging back through a long
// stretch, and the longest pause of the event loop while the server is
// silent. Figures only; the targets beside them are judged by a person.
#include "Measure.h"
#include "supervisor/CentralReader.h"
#include "central/PgConnection.h"
#include "supervisor/ReaderThread.h"
#include "supervisor/SupervisorModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QUuid>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace std::chrono_literals;

namespace {

struct Viewer {
    ReaderThread thread;
    std::unique_ptr<SupervisorModel> model;
    Viewer(const QString &conninfo, int pageRows, int maxRows)
        : thread(conninfo), model(std::make_unique<SupervisorModel>(thread.reader(), pageRows, maxRows))
    {
    }
    // Milliseconds from asking for a selection to its first page shown.
    double select(const ReadingFilter &filter)
    {
        int resets = 0;
        const auto c = QObject::connect(model.get(), &QAbstractItemModel::modelReset, [&] { ++resets; });
        QElapsedTimer t;
        t.start();
        model->select(filter);
        Measure::runUntil([&] { return resets > 0; }, 30);
        QObject::disconnect(c);
        return t.nsecsElapsed() / 1e6;
    }
};

void row(const char *name, double value, const char *unit, const char *target)
{
    std::printf("  %-46s %10.1f %-6s %s\n", name, value, unit, target);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString base = QStringLiteral("host=%1 port=%2 dbname=tarovik ")
                             .arg(qEnvironmentVariable("PGHOST"), qEnvironmentVariable("PGPORT"));
    const QString viewer = base + QStringLiteral("user=bench_viewer");
    std::printf("supervisor over %s events\n", qPrintable(qEnvironmentVariable("TAROVIK_BENCH_EVENTS")));

    {
        Viewer v(viewer, 200, 2000);
        row("first screen (200 rows, connecting included)", v.select(ReadingFilter{}), "ms", "<= 1000 ms");
        row("again, connected", v.select(ReadingFilter{}), "ms", "<= 1000 ms");
        ReadingFilter f;
        f.stations = qEnvironmentVariable("TAROVIK_BENCH_STATION").split(QLatin1Char(','));
        f.noteContains = QStringLiteral("проверено");
        row("filter: one station, note contains a text", v.select(f), "ms", "<= 1000 ms");
        f.period = ReadingFilter::Period::Today;
        row("filter: also today", v.select(f), "ms", "<= 1000 ms");
        ReadingFilter none;
        none.noteContains = QStringLiteral("нет такого");
        row("filter: a note text no reading has (all read)", v.select(none), "ms", "<= 1000 ms");

        int totals = 0;
        QObject::connect(v.model.get(), &SupervisorModel::totalsReady, [&] { ++totals; });
        for (const ReadingFilter &selection : {ReadingFilter{}, f}) {
            v.select(selection);
            QElapsedTimer t;
            t.start();
            const int before = totals;
            v.model->requestTotals();
            Measure::runUntil([&] { return totals > before; }, 60);
            row(selection.stations.isEmpty() ? "totals of everything" : "totals of one station, today, a note's text",
                t.nsecsElapsed() / 1e6, "ms", "");
        }

        // Paging back through 100 pages, at most 2,000 rows held.
        v.select(ReadingFilter{});
        const long before = Measure::rssKb();
        long peak = before;
        int most = 0;
        QElapsedTimer t;
        t.start();
        for (int page = 0; page < 100 && v.model->hasOlder(); ++page) {
            const QString top = v.model->reading(0).key.stationTime + v.model->reading(0).key.station;
            v.model->fetchOlder();
            Measure::runUntil([&] {
                return v.model->reading(0).key.stationTime + v.model->reading(0).key.station != top;
            }, 30);
            most = std::max(most, v.model->rowCount());
            peak = std::max(peak, Measure::rssKb());
        }
        row("paging back 20,000 rows: a page", t.nsecsElapsed() / 1e6 / 100, "ms", "smooth: well under 100 ms");
        row("  rows held at most", most, "rows", "<= 2000");
        row("  memory grown while paging", (peak - before) / 1024.0, "MiB", "bounded");

        // An event's commit to its row in the model, 100 events, the newest
        // rows shown.
        v.select(ReadingFilter{});
        PgConnection station(5000ms, 5000ms);
        if (!station.open(base + QStringLiteral("user=bench_live"))) {
            std::printf("no station login: %s\n", qPrintable(station.lastError().detail));
            return 1;
        }
        const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
        station.query("SELECT tarovik.last_committed($1::uuid, 'Весы live')", {uuid});
        QList<double> lags;
        for (int seq = 1; seq <= 100; ++seq) {
            const QString at = QDateTime::currentDateTimeUtc().addDays(1).toString(Qt::ISODateWithMs);
            const QString json = QStringLiteral(
                R"([{"seq":%1,"station_time":"%2","utc_offset":0,"os_user":"b","kind":"recorded","scale_type":0,)"
                R"("journal_file":"","nom_pp":"%1","weight_text":"1.0","unit":"kg","stat":"S","time_text":"","note":"","weight":"1.0"}])")
                .arg(seq).arg(at);
            station.query("SELECT tarovik.append_events($1::uuid, $2::jsonb)", {uuid, json});
            QElapsedTimer lag;
            lag.start();
            Measure::runUntil([&] {
                const int n = v.model->rowCount();
                return n && v.model->reading(n - 1).key.station == uuid && v.model->reading(n - 1).key.reading == seq;
            }, 3);
            lags.append(lag.nsecsElapsed() / 1e6);
        }
        std::sort(lags.begin(), lags.end());
        row("commit to row in the model, median", lags[49], "ms", "");
        row("commit to row in the model, p99", lags[98], "ms", "<= 1000 ms");
    }

    {
        // A port that accepts and never answers: the window thread's
        // longest pause while the reader waits on it.
        const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(silent, reinterpret_cast<sockaddr *>(&address), length);
        ::listen(silent, 4);
        ::getsockname(silent, reinterpret_cast<sockaddr *>(&address), &length);
        Viewer v(QStringLiteral("host=127.0.0.1 port=%1 dbname=tarovik user=x").arg(ntohs(address.sin_port)), 200, 2000);
        v.model->select(ReadingFilter{});
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, longest = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        tick.start(5);
        Measure::runUntil([&] { return clock.elapsed() > 8000; }, 10);
        row("event loop's longest pause, server silent (8 s)", longest / 1e6, "ms", "<= 50 ms");
        ::close(silent);
    }
    return 0;
}

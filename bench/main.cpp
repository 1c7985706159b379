// bench: the program's figures for speed and memory, each beside its
// reference, printed as a table. Not a test: it never fails by time.
//   bench [receive] [record] [files] [linerate] [startup] [station] [jobs] [central] [--quick]
// With no names it runs all eight; --quick runs smaller sizes and a 10 s line
// rate, to try the harness; --marks=a,b,... and --window=n set the chunks
// at which, and around which, the receive path is measured (for a profile). A real window is needed: run it under Xvfb.

#include "Benches.h"

#include <QApplication>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);

    if (args.value(0) == QLatin1String("--child")) {
        args.removeFirst();
        return fileChild(args) || lineRateChild(args) || startupChild(args) || centralLineChild(args) ? 0 : 1;
    }

    BenchOptions options;
    if (args.removeAll(QStringLiteral("--quick"))) {
        options.receiveMarks = {1000, 10000, 100000};
        options.recordJournalRows = 100000;
        options.fileRows = {10000, 100000};
        options.fileRuns = 1;
        options.lineRateSeconds = 10;
        options.lineRatePreloaded = 100000;
        options.startupRuns = 3;
        options.stationRows = 100000;
        options.xlsxRows = 10000;
        options.chartRows = 100000;
        options.jobRows = 100000;
        options.centralEvents = 20000;
        options.centralUnreachableSeconds = 3;
        options.centralLineSeconds = 10;
    }
    for (const QString &arg : args.filter(QStringLiteral("--marks="))) {
        options.receiveMarks.clear();
        for (const QString &mark : arg.mid(8).split(QLatin1Char(',')))
            options.receiveMarks << mark.toInt();
    }
    for (const QString &arg : args.filter(QStringLiteral("--window=")))
        options.receiveWindow = std::max(1, arg.mid(9).toInt());
    args.erase(std::remove_if(args.begin(), args.end(), [](const QString &a) { return a.startsWith(QLatin1String("--")); }),
               args.end());
    const struct {
        const char *name;
        void (*run)(Table &, const BenchOptions &);
    } benches[] = {{"receive", benchReceive}, {"record", benchRecord}, {"files", benchFiles},
                   {"linerate", benchLineRate}, {"startup", benchStartup}, {"station", benchStation},
                   {"jobs", benchJobs}, {"central", benchCentral}};

    char host[256] = {};
    gethostname(host, sizeof host - 1);
    std::printf("bench on %s, platform %s\n", host, qPrintable(QGuiApplication::platformName()));
    std::fflush(stdout);
    Table table;
    for (const auto &b : benches) {
        if (args.isEmpty() || args.contains(QLatin1String(b.name)))
            b.run(table, options);
    }
    table.print();
    return 0;
}

// (5) Start-up: from the launch of a child of this program to the first
// expose of its main window, port scan included; against the same child
// showing an empty main window of Qt's.

#include "Benches.h"
#include "Measure.h"

#include "app/ProgramFolder.h"
#include "app/QtUserMessages.h"
#include "app/frm1.h"
#include "files/QtFileDialogs.h"
#include "link/QtSerialLine.h"

#include <QApplication>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>

namespace {

// Reports the moment its window is first exposed, then ends the run.
class ExposeWatch : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = qobject_cast<QWindow *>(watched);
        if (event->type() == QEvent::Expose && window && window->isExposed() && !m_seen) {
            m_seen = true;
            Measure::report("exposed", Measure::monotonicSeconds());
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool m_seen = false;
};

void watch(QWidget &window, ExposeWatch &watcher)
{
    window.winId(); // the native window exists from here on
    window.windowHandle()->installEventFilter(&watcher);
    window.show();
}

} // namespace

bool startupChild(const QStringList &args)
{
    const QString mode = args.value(0);
    if (mode != QLatin1String("startup") && mode != QLatin1String("startup-bare"))
        return false;
    ExposeWatch watcher;
    QTemporaryDir folder;
    if (mode == QLatin1String("startup-bare")) {
        QMainWindow window;
        watch(window, watcher);
        return qApp->exec() == 0;
    }
    // As the program starts: its services, its folder, its port scan.
    QtUserMessages messages;
    QtFileDialogs fileDialogs;
    MainWindowServices services;
    services.programFolder = ProgramFolder::choose(folder.path(), folder.path());
    services.commPort = std::make_unique<QtSerialLine>(services.programFolder);
    services.messages = &messages;
    services.fileDialogs = &fileDialogs;
    const double built0 = Measure::monotonicSeconds();
    frm1 window(std::move(services));
    Measure::report("constructed", Measure::monotonicSeconds() - built0);
    watch(window, watcher);
    return qApp->exec() == 0;
}

void benchStartup(Table &table, const BenchOptions &options)
{
    auto median = [&options](const QString &mode, double *constructed) {
        std::vector<double> runs, builds;
        for (int i = 0; i < options.startupRuns; ++i) {
            const double launched = Measure::monotonicSeconds();
            const auto r = Measure::runChild({mode}, 30);
            if (r.contains(QStringLiteral("exposed")))
                runs.push_back(r.value(QStringLiteral("exposed")) - launched);
            builds.push_back(r.value(QStringLiteral("constructed")));
        }
        std::sort(runs.begin(), runs.end());
        std::sort(builds.begin(), builds.end());
        if (constructed)
            *constructed = builds.empty() ? 0 : builds[builds.size() / 2];
        return runs.empty() ? 1e9 : runs[runs.size() / 2];
    };
    double constructed = 0;
    const double program = median(QStringLiteral("startup"), &constructed);
    const double bare = median(QStringLiteral("startup-bare"), nullptr);
    table.add({QStringLiteral("start-up to window shown (median of %1)").arg(options.startupRuns),
               millis(program) + QStringLiteral(" (main window and port scan %1)").arg(millis(constructed)),
               millis(bare) + QStringLiteral(" (empty Qt window)"), ratioText(program, bare), QStringLiteral("≤ 0.5 s"),
               program <= 0.5});
}

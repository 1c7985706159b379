#include "station/BackgroundJob.h"

#include "station/StationTexts.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <memory>

namespace BackgroundJob {

namespace {
// How often the dialog shows the job's progress.
constexpr int ShowEveryMs = 100;
} // namespace

struct Runner {
    static Outcome run(QWidget &parent, const QString &label, const std::function<bool(Progress &)> &work)
    {
        Progress progress;
        bool ok = false;
        const std::unique_ptr<QThread> thread(QThread::create([&] { ok = work(progress); }));
        QProgressDialog dialog(label, StationTexts::cancel(), 0, 0, &parent);
        dialog.setObjectName(QStringLiteral("dlgProgress"));
        dialog.setWindowTitle(label);
        // Shown at once: it blocks the window from the start.
        dialog.setWindowModality(Qt::WindowModal);
        dialog.setMinimumDuration(0);
        dialog.setAutoReset(false);
        dialog.setAutoClose(false);
        QObject::connect(&dialog, &QProgressDialog::canceled, [&progress] { progress.m_cancelled = true; });
        QTimer show;
        QObject::connect(&show, &QTimer::timeout, &dialog, [&] {
            dialog.setMaximum(progress.m_total);
            dialog.setValue(progress.m_done);
        });
        QEventLoop loop;
        // Queued: a job done before the loop runs still ends it.
        QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        thread->start();
        dialog.show();
        show.start(ShowEveryMs);
        loop.exec();
        thread->wait();
        return progress.m_cancelled ? Outcome::Cancelled : ok ? Outcome::Done : Outcome::Failed;
    }
};

Outcome run(QWidget &parent, const QString &label, const std::function<bool(Progress &)> &work)
{
    return Runner::run(parent, label, work);
}

} // namespace BackgroundJob

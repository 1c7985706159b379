#pragma once

#include <QString>

#include <atomic>
#include <functional>

class QWidget;

// Runs a long job (an export, printing) on a thread of its own while the
// window's event loop goes on, so that readings keep arriving and are
// stamped with their own time. Meanwhile a progress dialog with "Отмена"
// shows how far the job got and keeps the window's commands out of reach.
namespace BackgroundJob {

// What the job and the window share.
class Progress
{
public:
    // Called by the job: how far it got of how much. False once the operator
    // cancelled: the job then stops and undoes what it wrote.
    bool report(int done, int total)
    {
        m_done = done;
        m_total = total;
        return !m_cancelled;
    }

private:
    friend struct Runner;
    std::atomic<int> m_done{0};
    std::atomic<int> m_total{0};
    std::atomic<bool> m_cancelled{false};
};

enum class Outcome { Done, Failed, Cancelled };

// Runs work (true when it succeeded) and returns once it has ended, with the
// progress dialog over parent.
Outcome run(QWidget &parent, const QString &label, const std::function<bool(Progress &)> &work);

} // namespace BackgroundJob

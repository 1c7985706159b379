#pragma once

#include "station/BackgroundJob.h"

#include <QString>

#include <functional>
#include <optional>

class FileDialogs;
class UserMessages;
class QWidget;

// The steps every export of the program takes: the file chosen through the
// program's file dialogs (the extension added when it is missing), an
// existing file replaced only as Save as replaces it, the work on a thread
// of its own with its progress and "Отмена" (BackgroundJob), and the
// outcome told as Save as tells it.
class ExportSteps
{
public:
    // Told how far the work got of how much; false once it was cancelled.
    using StepDone = std::function<bool(int done, int total)>;
    using Work = std::function<bool(const StepDone &stepDone)>;

    ExportSteps(FileDialogs &dialogs, UserMessages &messages);

    // The path chosen (native separators) once the operator agreed to
    // replace an existing file; nothing, and that told, when cancelled.
    std::optional<QString> choose(const QString &folder, const QString &baseName, const QString &filter,
                                  const QString &suffix);
    // Runs work with the progress dialog over `over`.
    BackgroundJob::Outcome run(QWidget &over, const QString &label, const Work &work);
    void tell(BackgroundJob::Outcome outcome, const QString &path);

    // Called on the job's thread after each step of a job (a page, a few
    // thousand rows): benches count the steps, tests slow them.
    void watchSteps(std::function<void()> watcher) { m_watcher = std::move(watcher); }

private:
    FileDialogs &m_dialogs;
    UserMessages &m_messages;
    std::function<void()> m_watcher;
};

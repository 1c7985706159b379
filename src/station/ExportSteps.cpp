#include "station/ExportSteps.h"

#include "common/UserMessages.h"
#include "files/FileCommands.h"
#include "files/FileDialogs.h"
#include "files/FileTexts.h"

#include <QDir>
#include <QFileInfo>

ExportSteps::ExportSteps(FileDialogs &dialogs, UserMessages &messages)
    : m_dialogs(dialogs), m_messages(messages)
{
}

std::optional<QString> ExportSteps::choose(const QString &folder, const QString &baseName, const QString &filter,
                                           const QString &suffix)
{
    const FileDialogs::Request request{folder, {filter, QStringLiteral("All (*.*)")},
                                       baseName + QLatin1Char('.') + suffix};
    std::optional<QString> path = m_dialogs.saveFileName(request);
    if (path && !path->isEmpty() && QFileInfo(*path).suffix().compare(suffix, Qt::CaseInsensitive) != 0)
        *path += QLatin1Char('.') + suffix;
    if (!path || path->isEmpty() || !FileCommands::confirmReplace(m_messages, *path)) {
        m_messages.inform(FileTexts::cancelled());
        return std::nullopt;
    }
    return QDir::toNativeSeparators(*path);
}

BackgroundJob::Outcome ExportSteps::run(QWidget &over, const QString &label, const Work &work)
{
    return BackgroundJob::run(over, label, [&](BackgroundJob::Progress &progress) {
        return work([this, &progress](int done, int total) {
            if (m_watcher)
                m_watcher();
            return progress.report(done, total);
        });
    });
}

void ExportSteps::tell(BackgroundJob::Outcome outcome, const QString &path)
{
    switch (outcome) {
    case BackgroundJob::Outcome::Done:
        m_messages.inform(FileTexts::savedTo(path));
        break;
    case BackgroundJob::Outcome::Failed:
        m_messages.inform(FileTexts::failed());
        break;
    case BackgroundJob::Outcome::Cancelled:
        m_messages.inform(FileTexts::cancelled());
        break;
    }
}

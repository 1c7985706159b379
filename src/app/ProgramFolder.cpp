#include "app/ProgramFolder.h"

#include <QDir>
#include <QTemporaryFile>

namespace ProgramFolder {

bool writable(const QString &folder)
{
    // Permission bits say nothing for root or on a read-only mount: try it.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".tarovik-XXXXXX")));
    return probe.open();
}

QString choose(const QString &executableFolder, const QString &configFolder)
{
    if (writable(executableFolder))
        return executableFolder;
    QDir().mkpath(configFolder);
    return configFolder;
}

} // namespace ProgramFolder

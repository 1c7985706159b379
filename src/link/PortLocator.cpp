#include "link/PortLocator.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

PortLocator::PortLocator(const QString &programFolder)
    : m_folder(programFolder)
{
}

QString PortLocator::linkPath(int number) const
{
    return QDir(m_folder).filePath(QStringLiteral("ports/COM%1").arg(number));
}

QString PortLocator::devicePath(int number) const
{
    if (number < 1)
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    const QFileInfo link(linkPath(number));
    // isSymLink() holds for a dangling link too, exists() does not.
    if (link.isSymLink() || link.exists())
        return link.canonicalFilePath(); // empty when the target is missing
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

bool PortLocator::isLegacyUartNode(const QString &path)
{
    static const QRegularExpression legacy(QStringLiteral("^/dev/ttyS[0-9]+$"));
    return legacy.match(path).hasMatch();
}

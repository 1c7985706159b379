#include "central/CentralSettings.h"

#include "central/CentralTexts.h"
#include "common/AnsiText.h"
#include "settings/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QString Section = QStringLiteral("Central");

QString folderOf(const QString &iniPath)
{
    return QFileInfo(iniPath).absolutePath();
}

// One field of a pgpass line, escaped as libpq reads it.
QString pgpassField(const QString &value)
{
    QString escaped = value;
    return escaped.replace(u'\\', QLatin1String("\\\\")).replace(u':', QLatin1String("\\:"));
}

// The first four fields of a pgpass line, still escaped: what a line is
// for (host, port, database, user).
QString pgpassKey(const QString &line)
{
    int fields = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) == u'\\')
            ++i;
        else if (line.at(i) == u':' && ++fields == 4)
            return line.left(i);
    }
    return QString();
}

} // namespace

QString CentralSettings::passFileName()
{
    return QStringLiteral("Central.pgpass");
}

CentralSettings CentralSettings::read(const QString &iniPath)
{
    const auto value = [&](const char *key, const QString &fallback = QString()) {
        return ProfileFile::readString(iniPath, Section, QLatin1String(key), fallback);
    };
    CentralSettings s;
    CentralConnection &c = s.connection;
    s.enabled = value("Enabled") == QLatin1String("1");
    c.station = QUuid(value("Station"));
    c.stationName = value("Name");
    c.host = value("Host");
    bool ok = false;
    const int port = value("Port").toInt(&ok);
    if (ok && port > 0 && port <= 65535)
        c.port = port;
    c.database = value("Database", c.database);
    c.user = value("User");
    c.sslMode = value("SslMode", c.sslMode);
    c.sslRootCert = value("SslRootCert");
    const QString passFile = QDir(folderOf(iniPath)).filePath(passFileName());
    if (QFileInfo::exists(passFile))
        c.passFile = passFile;
    return s;
}

bool CentralSettings::write(const QString &iniPath, QString *errorString) const
{
    // The station's identity never changes once given: a UUID in the file
    // stays whatever the caller holds.
    QUuid station(ProfileFile::readString(iniPath, Section, QStringLiteral("Station"), QString()));
    if (station.isNull())
        station = connection.station;
    if (station.isNull() && enabled)
        station = QUuid::createUuid();
    const std::pair<const char *, QString> values[] = {
        {"Enabled", enabled ? QStringLiteral("1") : QStringLiteral("0")},
        {"Station", station.isNull() ? QString() : station.toString(QUuid::WithoutBraces)},
        {"Name", connection.stationName},
        {"Host", connection.host},
        {"Port", QString::number(connection.port)},
        {"Database", connection.database},
        {"User", connection.user},
        {"SslMode", connection.sslMode},
        {"SslRootCert", connection.sslRootCert},
    };
    // Init.ini holds Windows-1251 text: a character it cannot hold would come
    // back as "?" (a certificate's path that leads nowhere), so nothing is
    // written then.
    for (const auto &[key, value] : values) {
        QByteArray bytes;
        if (!AnsiText::encodeExactly(value, bytes)) {
            if (errorString)
                *errorString = CentralTexts::notInCodePage(value);
            return false;
        }
    }
    for (const auto &[key, value] : values) {
        QString oneLine = value;
        oneLine.replace(u'\r', u' ').replace(u'\n', u' ');
        if (!ProfileFile::writeString(iniPath, Section, QLatin1String(key), oneLine)) {
            if (errorString)
                *errorString = CentralTexts::settingsNotWritten(iniPath);
            return false;
        }
    }
    return true;
}

bool CentralSettings::writePassword(const QString &iniPath, const CentralConnection &c, const QString &password,
                                    QString *errorString)
{
    if (password.isEmpty())
        return true;
    const QString path = QDir(folderOf(iniPath)).filePath(passFileName());
    const auto fail = [&](const QString &reason) {
        if (errorString)
            *errorString = CentralTexts::passwordNotWritten(path, reason);
        return false;
    };
    if (password.contains(u'\n') || password.contains(u'\r'))
        return fail(CentralTexts::passwordLineBreak());
    // libpq matches a Unix socket's connection as "localhost".
    const QString host = c.host.startsWith(u'/') ? QStringLiteral("localhost") : c.host;
    const QString key = QStringList{pgpassField(host), QString::number(c.port), pgpassField(c.database),
                                    pgpassField(c.user)}
                            .join(u':');
    // Ours goes first, so that no wider line of the file is taken for it.
    QStringList lines{key + u':' + pgpassField(password)};
    QFile old(path);
    if (old.exists()) {
        if (!old.open(QIODevice::ReadOnly))
            return fail(old.errorString());
        for (const QString &line : QString::fromUtf8(old.readAll()).split(u'\n')) {
            if (!line.isEmpty() && pgpassKey(line) != key)
                lines.append(line);
        }
    }
    QSaveFile file(path);
    // Owner only before a byte is written: libpq ignores a file others may read.
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
        return fail(file.errorString());
    file.write(lines.join(u'\n').toUtf8() + '\n');
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

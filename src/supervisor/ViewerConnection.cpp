#include "supervisor/ViewerConnection.h"

namespace {

// key='value', with \ and ' escaped as libpq reads them.
QString pair(const char *key, const QString &value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1String(key) + QLatin1String("='") + quoted + QLatin1Char('\'');
}

} // namespace

namespace ViewerConnection {

QString conninfo(const CentralConnection &c)
{
    QStringList parts{pair("host", c.host), pair("port", QString::number(c.port)), pair("dbname", c.database),
                      pair("user", c.user), pair("sslmode", c.sslMode), pair("application_name", QStringLiteral("Tarovik_RS232"))};
    if (!c.sslRootCert.isEmpty())
        parts << pair("sslrootcert", c.sslRootCert);
    if (!c.passFile.isEmpty())
        parts << pair("passfile", c.passFile);
    return parts.join(QLatin1Char(' '));
}

} // namespace ViewerConnection

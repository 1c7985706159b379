#include "central/CentralServer.h"

#include "central/CentralTexts.h"

namespace CentralServer {

PgConnection::Parameters parameters(const CentralConnection &c, const QByteArray &password)
{
    return {{"host", c.host.toUtf8()},
            {"port", QByteArray::number(c.port)},
            {"dbname", c.database.toUtf8()},
            {"user", c.user.toUtf8()},
            {"sslmode", c.sslMode.toUtf8()},
            {"sslrootcert", c.sslRootCert.toUtf8()},
            {"passfile", c.passFile.toUtf8()},
            {"password", password},
            {"application_name", QByteArrayLiteral("tarovik-station")},
            {"client_encoding", QByteArrayLiteral("UTF8")}};
}

QString problem(const PgError &error, const CentralConnection &c)
{
    switch (error.kind) {
    case PgError::None:
    case PgError::Stopped:
        return QString();
    case PgError::Password:
        return CentralTexts::wrongPassword(c.user);
    case PgError::NotConnected:
        // Name and TCP are known good here: with TLS asked for, TLS failed.
        if (c.sslMode == QLatin1String("require") || c.sslMode.startsWith(QLatin1String("verify")))
            return CentralTexts::tlsFailed();
        return CentralTexts::connectionFailed();
    case PgError::NoAnswer:
        return CentralTexts::noAnswer(c.host, c.port);
    case PgError::Lost:
        return CentralTexts::connectionLost();
    case PgError::Refused:
        break;
    }
    const QString &code = error.sqlState;
    if (code == QLatin1String("42501"))
        return CentralTexts::noRight(c.user);
    // No schema tarovik in the database, or not its functions.
    if (code == QLatin1String("3F000") || code == QLatin1String("42883"))
        return CentralTexts::noCentralJournal(c.database);
    if (code == QLatin1String("TK001"))
        return CentralTexts::numberReused();
    if (code == QLatin1String("TK004"))
        return CentralTexts::schemaTooNew(CentralSender::KnownSchemaVersion + 1, CentralSender::KnownSchemaVersion);
    if (code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P")))
        return CentralTexts::connectionLost(); // the connection broken, the server shut down or the session ended
    return CentralTexts::serverError(code);
}

std::optional<QByteArray> value(PgConnection &db, const char *sql, const QByteArrayList &params,
                                const CentralConnection &c, QString *problemText)
{
    const PgResult r = db.query(sql, params);
    if (!r.ok()) {
        *problemText = problem(r.error, c);
        return std::nullopt;
    }
    if (r.rows.size() != 1 || r.rows.first().size() != 1) {
        *problemText = CentralTexts::connectionLost();
        return std::nullopt;
    }
    return r.rows.first().first().toUtf8();
}

} // namespace CentralServer

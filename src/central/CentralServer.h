#pragma once

#include "central/CentralSender.h"
#include "central/PgConnection.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <optional>

// How a station logs in to the central journal's server and words what
// went wrong: shared by the sender and "Проверить", so the check tries the
// very login the sender will use.
namespace CentralServer {

// libpq's keywords and values for the connection; a password that is not
// empty is tried instead of the pgpass file's.
PgConnection::Parameters parameters(const CentralConnection &c, const QByteArray &password = {});

// What the operator is told of an error, by its kind and SQLSTATE, never by
// libpq's (translated) texts. Empty for none and for a stop.
QString problem(const PgError &error, const CentralConnection &c);

// One statement's single value, or nothing with *problemText set.
std::optional<QByteArray> value(PgConnection &db, const char *sql, const QByteArrayList &params,
                                const CentralConnection &c, QString *problemText);

} // namespace CentralServer

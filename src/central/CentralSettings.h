#pragma once

#include "central/CentralSender.h"

#include <QString>

// The station's central journal settings: section [Central] of Init.ini
// (never a password) and the pgpass file beside it, which libpq reads
// through its passfile option.
struct CentralSettings {
    bool enabled = false;
    CentralConnection connection; // connection.passFile = the pgpass beside Init.ini when it exists; station UUID and name

    static QString passFileName(); // "Central.pgpass"
    static CentralSettings read(const QString &iniPath);
    // Writes section [Central] of Init.ini, keeping every other line; gives the station a UUID the first time
    // it is switched on (kept afterwards); false with errorString on failure.
    bool write(const QString &iniPath, QString *errorString = nullptr) const;
    // Writes the password into the pgpass file beside Init.ini (mode 0600, one line for host:port:db:user,
    // keeping other lines); never touches ~/.pgpass. Empty password: leaves the file as it is.
    static bool writePassword(const QString &iniPath, const CentralConnection &c, const QString &password,
                              QString *errorString = nullptr);
};

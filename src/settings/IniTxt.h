#pragma once

#include <QString>

// The two settings-file routines. fileName is the settings-file path (the
// program folder's "Init.ini"); values are single-line Windows-1251 text.

// The stored value of key in section, or defaultValue when the file, the section
// or the key is missing. A value longer than 254 characters comes back cut
// to its first 254.
QString ReadIniValue(const QString &fileName, const QString &section, const QString &key,
                     const QString &defaultValue);

// Stores value under key in section, creating file, section and key as
// needed; CR and LF in value become blanks. Failures are not reported.
void WriteIniValue(const QString &fileName, const QString &section, const QString &key,
                   const QString &value);

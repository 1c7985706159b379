#pragma once

#include <QString>

// The two settings-file routines. FileName is the settings-file path (the
// program folder's "Init.ini"); values are single-line Windows-1251 text.

// The stored value of Key in Section, or Default when the file, the section
// or the key is missing. A value longer than 254 characters comes back cut
// to its first 254.
QString ReadIniValue(const QString &FileName, const QString &Section, const QString &Key,
                     const QString &Default);

// Stores Value under Key in Section, creating file, section and key as
// needed; CR and LF in Value become blanks. Failures are not reported.
void WriteIniValue(const QString &FileName, const QString &Section, const QString &Key,
                   const QString &Value);

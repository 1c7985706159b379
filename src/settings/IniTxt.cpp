#include "settings/IniTxt.h"

#include "settings/ProfileFile.h"

namespace {

// The longest value a read delivers, as with the 255-character buffer the
// settings file was always read through.
constexpr qsizetype MaxValueLength = 254;

} // namespace

QString ReadIniValue(const QString &fileName, const QString &section, const QString &key,
                     const QString &defaultValue)
{
    return ProfileFile::readString(fileName, section, key, defaultValue).left(MaxValueLength);
}

void WriteIniValue(const QString &fileName, const QString &section, const QString &key,
                   const QString &value)
{
    // A value is one line of the file: line breaks become blanks, so the
    // length stays the same.
    QString oneLine = value;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    // A failed write is not reported: the next read returns what the file holds.
    ProfileFile::writeString(fileName, section, key, oneLine);
}

// The settings file's reader and writer on any file content and any names and
// values: no crash, no hang, and a value written is the value read back.
#include "FuzzSupport.h"

#include "common/AnsiText.h"
#include "settings/IniTxt.h"
#include "settings/ProfileFile.h"

#include <cstdlib>

namespace {

// A value reads back unchanged unless the reader would take blanks or a pair
// of enclosing quotes off it.
bool readsBackAsWritten(const QByteArray &value)
{
    if (value.contains('\r') || value.contains('\n') || value.trimmed() != value)
        return false;
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
                        && value.back() == value.front();
    return !quoted;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const QString section = AnsiText::decode(in.piece());
    const QString key = AnsiText::decode(in.piece());
    const QByteArray valueBytes = in.piece();
    const QString value = AnsiText::decode(valueBytes);
    const QString path = scratchFile(QStringLiteral("Init.ini"), in.rest());

    ReadIniValue(path, section, key, QStringLiteral("default"));
    if (ProfileFile::writeString(path, section, key, value) && readsBackAsWritten(valueBytes)) {
        if (ProfileFile::readString(path, section, key, QStringLiteral("\x01missing")) != value)
            abort();
    }
    WriteIniValue(path, section, key, value);
    ReadIniValue(path, section, key, QString());
    return 0;
}

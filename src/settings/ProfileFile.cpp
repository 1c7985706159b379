#include "settings/ProfileFile.h"

#include "common/AnsiText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <optional>

namespace {

// Section and key names as the file holds them: Windows-1251, no blanks
// around. Going through the code page first makes a character the file cannot
// hold compare as the "?" that a write would store for it.
struct Names {
    QString section;
    QString key;
    QByteArray sectionBytes;
    QByteArray keyBytes;

    Names(const QString &sectionName, const QString &keyName)
        : sectionBytes(AnsiText::encode(sectionName).trimmed()),
          keyBytes(AnsiText::encode(keyName).trimmed())
    {
        section = AnsiText::decode(sectionBytes);
        key = AnsiText::decode(keyBytes);
    }

    // Names that read back as the same header and key line once written.
    bool valid() const
    {
        auto hasLineBreak = [](const QByteArray &b) { return b.contains('\r') || b.contains('\n'); };
        return !hasLineBreak(sectionBytes) && !sectionBytes.contains(']') && !keyBytes.isEmpty()
               && !hasLineBreak(keyBytes) && !keyBytes.contains('=') && !keyBytes.startsWith(';')
               && !keyBytes.startsWith('[');
    }
};

bool sameName(QByteArrayView stored, const QString &wanted)
{
    // One character per byte: names of another length cannot match, and most
    // lines are told apart without decoding them.
    return stored.size() == wanted.size()
           && QString::compare(AnsiText::decode(stored), wanted, Qt::CaseInsensitive) == 0;
}

// Where the first section of the wanted name and its first key of the wanted
// name lie in the file's bytes. Only that section counts, so the scan ends
// with it.
struct Place {
    bool sectionFound = false;
    bool keyFound = false;
    qsizetype lineStart = 0;      // the key's line
    qsizetype lineEnd = 0;        // the key's line before its line break
    QByteArrayView keyText;       // the key as the file spells it
    QByteArrayView valueText;     // the value without blanks around it
    qsizetype insertAt = 0;       // after the section's last key line, or its header
};

Place locate(QByteArrayView bytes, const Names &names)
{
    Place place;
    bool inSection = false;
    qsizetype next = 0;
    while (next < bytes.size()) {
        const qsizetype start = next;
        const qsizetype newline = bytes.indexOf('\n', start);
        next = newline < 0 ? bytes.size() : newline + 1;
        const QByteArrayView line = bytes.sliced(start, next - start).trimmed();

        const qsizetype close = line.startsWith('[') ? line.indexOf(']') : -1;
        if (close > 0) {
            if (inSection)
                break;
            inSection = sameName(line.sliced(1, close - 1).trimmed(), names.section);
            place.sectionFound = inSection;
            place.insertAt = next;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inSection || line.startsWith(';') || equals < 0)
            continue;
        place.insertAt = next;
        const QByteArrayView key = line.first(equals).trimmed();
        if (sameName(key, names.key)) {
            place.keyFound = true;
            place.lineStart = start;
            place.lineEnd = newline < 0 ? next
                            : newline > start && bytes[newline - 1] == '\r' ? newline - 1
                                                                            : newline;
            place.keyText = key;
            place.valueText = line.sliced(equals + 1).trimmed();
            break;
        }
    }
    return place;
}

QByteArrayView unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

// The file's bytes, empty when there is no file; nothing when it exists but
// cannot be read (a folder, a device, no permission), so that a write never
// replaces what it could not read.
std::optional<QByteArray> load(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return QByteArray();
    if (!info.isFile())
        return std::nullopt;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

} // namespace

namespace ProfileFile {

QString readString(const QString &fileName, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    const Names names(section, key);
    if (!names.valid())
        return defaultValue;
    const std::optional<QByteArray> bytes = load(fileName);
    if (!bytes)
        return defaultValue;
    const Place place = locate(*bytes, names);
    return place.keyFound ? AnsiText::decode(unquoted(place.valueText)) : defaultValue;
}

bool writeString(const QString &fileName, const QString &section, const QString &key,
                 const QString &value)
{
    const Names names(section, key);
    const QByteArray valueBytes = AnsiText::encode(value);
    if (!names.valid() || valueBytes.contains('\r') || valueBytes.contains('\n'))
        return false;
    const std::optional<QByteArray> bytes = load(fileName);
    if (!bytes)
        return false;

    const QByteArrayView old(*bytes);
    const Place place = locate(old, names);
    QByteArray updated;
    updated.reserve(old.size() + names.sectionBytes.size() + names.keyBytes.size()
                    + valueBytes.size() + 8);
    if (place.keyFound) {
        updated.append(old.first(place.lineStart))
            .append(place.keyText)
            .append('=')
            .append(valueBytes)
            .append(old.sliced(place.lineEnd));
    } else {
        const qsizetype at = place.sectionFound ? place.insertAt : old.size();
        const QByteArrayView before = old.first(at);
        updated.append(before);
        if (!before.isEmpty() && before.back() != '\n')
            updated.append("\r\n");
        if (!place.sectionFound)
            updated.append('[').append(names.sectionBytes).append("]\r\n");
        updated.append(names.keyBytes).append('=').append(valueBytes).append("\r\n");
        updated.append(old.sliced(at));
    }

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(updated);
    return file.commit();
}

} // namespace ProfileFile

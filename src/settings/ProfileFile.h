#pragma once

#include <QString>

// Private profile (INI) files as Windows keeps them: "[Section]" header lines,
// each followed by "key=value" lines, Windows-1251 text. Section and key names
// match without regard to letter case; the first of duplicate sections or keys
// is the one that counts. Lines starting with ';' are comments, and lines
// before the first header belong to no section. Every call reads or rewrites
// the file; nothing is cached.
namespace ProfileFile {

// The value of key in section, blanks around it and one pair of enclosing
// quotes (" or ') removed; defaultValue when the file cannot be read or has no
// such section or key.
QString readString(const QString &fileName, const QString &section, const QString &key,
                   const QString &defaultValue);

// Stores value under key in section, creating the file, the section and the
// key as needed. An existing key's line becomes key=value and every other byte
// of the file stays as it was; a new key follows the last key of its section,
// a new section goes at the end. The file is replaced atomically, so a failure
// leaves it as it was. False when the file cannot be read or written, or when
// a name or the value would not read back from one line of the file (a line
// break, "]" in the section, a key that is empty, holds "=" or starts with
// ";" or "[").
bool writeString(const QString &fileName, const QString &section, const QString &key,
                 const QString &value);

} // namespace ProfileFile

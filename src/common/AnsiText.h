#pragma once

#include <QByteArray>
#include <QString>

// Single-byte text as the program stores it on disk and receives it on the
// line: Windows-1251, exactly one character per byte in both directions.
namespace AnsiText {

// Every byte becomes one character; bytes the code page leaves unassigned
// (0x98) become the character of the same code, so nothing is dropped.
QString decode(QByteArrayView bytes);

// Every character becomes one byte; a character the code page cannot hold
// becomes "?".
QByteArray encode(QStringView text);

// Appends the bytes of text to out when every character has one; otherwise
// leaves out as it was and returns false.
bool encodeExactly(QStringView text, QByteArray &out);

// The same for UTF-8 text, without decoding it when it is well formed.
bool encodeUtf8Exactly(QByteArrayView utf8, QByteArray &out);

// Whether the character of a byte above ASCII is a blank.
bool isSpaceAbove(unsigned char byte);

// Whether the character of a byte is a blank, as QChar::isSpace finds it:
// readers of stored bytes agree with readers of the decoded text. Inline
// for ASCII: a load reads the blanks around every weight of a file.
inline bool isSpace(char byte)
{
    const auto b = static_cast<unsigned char>(byte);
    return b < 0x80 ? b == ' ' || (b >= '\t' && b <= '\r') : isSpaceAbove(b);
}

// The bytes without the blanks at either end, as QString::trimmed leaves
// the decoded text.
QByteArrayView trimmed(QByteArrayView bytes);

} // namespace AnsiText

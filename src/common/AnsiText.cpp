#include "common/AnsiText.h"

#include <QStringDecoder>

#include <array>
#include <cstring>
#include <optional>

namespace {

struct CodePage {
    std::array<char16_t, 256> toUnicode{};
    // The byte of each character below U+10000 the code page holds above
    // ASCII, 0 for the others.
    std::array<uchar, 0x10000> fromUnicode{};
    std::array<bool, 256> space{};

    CodePage()
    {
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        QStringDecoder decoder("windows-1251", QStringDecoder::Flag::Stateless);
        const QString chars = decoder.isValid() ? decoder.decode(all) : QString();
        for (int i = 0; i < 256; ++i) {
            // Without the code page (no ICU) or for an unassigned byte keep
            // the byte's own code: one character per byte is what matters.
            char16_t c = chars.size() == 256 ? chars.at(i).unicode() : char16_t(i);
            if (c == 0xFFFD)
                c = char16_t(i);
            toUnicode[i] = c;
            space[i] = QChar(c).isSpace();
            if (i >= 0x80)
                fromUnicode[c] = uchar(i);
        }
    }
};

const CodePage &codePage()
{
    static const CodePage page;
    return page;
}

} // namespace

namespace AnsiText {

QString decode(QByteArrayView bytes)
{
    const CodePage &page = codePage();
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(page.toUnicode[uchar(bytes[i])]);
    return text;
}

namespace {

// Writes one byte a character into out; false at the first character the
// code page has not, when there is no fallback.
bool encodeInto(QStringView text, char *out, std::optional<char> fallback)
{
    const CodePage &page = codePage();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out[i] = char(c);
            continue;
        }
        if (const uchar byte = page.fromUnicode[c])
            out[i] = char(byte);
        else if (fallback)
            out[i] = *fallback;
        else
            return false;
    }
    return true;
}

} // namespace

QByteArray encode(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    encodeInto(text, bytes.data(), '?');
    return bytes;
}

bool encodeExactly(QStringView text, QByteArray &out)
{
    const qsizetype start = out.size();
    out.resize(start + text.size());
    if (encodeInto(text, out.data() + start, std::nullopt))
        return true;
    out.truncate(start);
    return false;
}

bool encodeUtf8Exactly(QByteArrayView utf8, QByteArray &out)
{
    const CodePage &page = codePage();
    const qsizetype start = out.size();
    out.resize(start + utf8.size()); // never more bytes than the UTF-8 has
    uchar *o = reinterpret_cast<uchar *>(out.data()) + start;
    const uchar *b = reinterpret_cast<const uchar *>(utf8.data());
    const uchar *const end = b + utf8.size();
    while (b != end) {
        if (*b < 0x80) {
            // ASCII, eight bytes at a time while it lasts.
            quint64 eight = 0;
            while (end - b >= 8 && (std::memcpy(&eight, b, 8), (eight & 0x8080808080808080ull) == 0)) {
                std::memcpy(o, b, 8);
                o += 8;
                b += 8;
            }
            if (b != end && *b < 0x80)
                *o++ = *b++;
            continue;
        }
        // Characters of two or three bytes are looked up; anything else
        // (malformed UTF-8 among it) goes through the decoded text.
        uint c = 0;
        int length = 0;
        if ((*b & 0xE0) == 0xC0 && end - b >= 2 && (b[1] & 0xC0) == 0x80) {
            c = uint(b[0] & 0x1F) << 6 | uint(b[1] & 0x3F);
            length = c >= 0x80 ? 2 : 0;
        } else if ((*b & 0xF0) == 0xE0 && end - b >= 3 && (b[1] & 0xC0) == 0x80 && (b[2] & 0xC0) == 0x80) {
            c = uint(b[0] & 0x0F) << 12 | uint(b[1] & 0x3F) << 6 | uint(b[2] & 0x3F);
            length = c >= 0x800 ? 3 : 0;
        }
        if (length == 0 || page.fromUnicode[c] == 0) {
            out.truncate(start);
            return encodeExactly(QString::fromUtf8(utf8), out);
        }
        *o++ = page.fromUnicode[c];
        b += length;
    }
    out.truncate(o - reinterpret_cast<uchar *>(out.data()));
    return true;
}

bool isSpaceAbove(unsigned char byte)
{
    return codePage().space[byte];
}

QByteArrayView trimmed(QByteArrayView bytes)
{
    qsizetype start = 0;
    qsizetype end = bytes.size();
    while (start < end && isSpace(bytes[start]))
        ++start;
    while (end > start && isSpace(bytes[end - 1]))
        --end;
    return bytes.sliced(start, end - start);
}

} // namespace AnsiText

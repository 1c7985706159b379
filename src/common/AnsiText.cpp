#include "common/AnsiText.h"

#include <QHash>
#include <QStringDecoder>

#include <array>
#include <optional>

namespace {

struct CodePage {
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, char> fromUnicode;

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
            if (i >= 0x80)
                fromUnicode.insert(c, char(i));
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
        const auto it = page.fromUnicode.constFind(c);
        if (it != page.fromUnicode.cend())
            out[i] = it.value();
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

} // namespace AnsiText

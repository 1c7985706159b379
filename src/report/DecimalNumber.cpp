#include "report/DecimalNumber.h"

#include "common/AnsiText.h"

#include <cmath>

namespace {

// 10^n for n in 0..18.
qint64 power10(int n)
{
    qint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// A text read a character at a time: its code (ASCII codes are the same in
// both kinds) and whether it is a blank.
struct Utf16 {
    QStringView text;
    qsizetype size() const { return text.size(); }
    char16_t at(qsizetype i) const { return text[i].unicode(); }
    bool blank(qsizetype i) const { return text[i].isSpace(); }
};

// Bytes of the journal file's code page: every byte above ASCII is a
// character above ASCII, so only the blanks need the code page.
struct CodePage {
    QByteArrayView bytes;
    qsizetype size() const { return bytes.size(); }
    char16_t at(qsizetype i) const { return uchar(bytes[i]); }
    bool blank(qsizetype i) const { return AnsiText::isSpace(bytes[i]); }
};

// The recorder's grammar (Numbers::parseDecimalComma once "." is a comma)
// checked while the digits are read, in one pass: the totals read every
// row a file brings, and building and converting a string for each was
// nine tenths of a load. The recorder's further checks (a finite value
// within single precision) always hold for the 18 digits kept here.
template<typename Text>
std::optional<DecimalNumber> readNumber(const Text &text)
{
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && text.blank(i))
        ++i;
    while (end > i && text.blank(end - 1))
        --end;
    bool negative = false;
    if (i < end && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        for (++i; i < end && text.blank(i); ++i) {
        }
    }
    DecimalNumber n;
    bool fraction = false;
    bool anyDigit = false;
    int digits = 0;
    for (; i < end; ++i) {
        const char16_t c = text.at(i);
        if (c >= u'0' && c <= u'9') {
            anyDigit = true;
            if (n.mantissa == 0 && c == u'0' && !fraction)
                continue; // leading zeros add no digits
            if (fraction && n.decimals == DecimalNumber::MaxDecimals)
                return std::nullopt;
            if (++digits > 18)
                return std::nullopt;
            n.mantissa = n.mantissa * 10 + (c - u'0');
            if (fraction)
                ++n.decimals;
        } else if ((c == u',' || c == u'.') && !fraction) {
            fraction = true;
        } else {
            return std::nullopt;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    if (negative)
        n.mantissa = -n.mantissa;
    return n;
}

} // namespace

double DecimalNumber::value() const
{
    return double(mantissa) / double(power10(decimals));
}

std::optional<DecimalNumber> DecimalNumber::read(QStringView text)
{
    return readNumber(Utf16{text});
}

std::optional<DecimalNumber> DecimalNumber::read(QByteArrayView cell)
{
    return readNumber(CodePage{cell});
}

QString decimalCommaText(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0)
        rounded = 0; // no "-0"
    return QString::number(rounded, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

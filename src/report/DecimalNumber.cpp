#include "report/DecimalNumber.h"

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

} // namespace

double DecimalNumber::value() const
{
    return double(mantissa) / double(power10(decimals));
}

std::optional<DecimalNumber> DecimalNumber::read(QStringView text)
{
    // The recorder's grammar (Numbers::parseDecimalComma once "." is a comma)
    // checked while the digits are read, in one pass: the totals read every
    // row a file brings, and building and converting a string for each was
    // nine tenths of a load. The recorder's further checks (a finite value
    // within single precision) always hold for the 18 digits kept here.
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && text[i].isSpace())
        ++i;
    while (end > i && text[end - 1].isSpace())
        --end;
    bool negative = false;
    if (i < end && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        for (++i; i < end && text[i].isSpace(); ++i) {
        }
    }
    DecimalNumber n;
    bool fraction = false;
    bool anyDigit = false;
    int digits = 0;
    for (; i < end; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            anyDigit = true;
            if (n.mantissa == 0 && c == u'0' && !fraction)
                continue; // leading zeros add no digits
            if (fraction && n.decimals == MaxDecimals)
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

QString decimalCommaText(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0)
        rounded = 0; // no "-0"
    return QString::number(rounded, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

#include "report/DecimalNumber.h"

#include "link/ScaleReading.h"

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

std::optional<DecimalNumber> DecimalNumber::read(const QString &text)
{
    const QString comma = QString(text).replace(QLatin1Char('.'), QLatin1Char(','));
    if (!singleFromDecimalComma(comma))
        return std::nullopt;
    // The grammar is checked above: a sign, digits, at most one comma.
    DecimalNumber n;
    bool negative = false;
    bool fraction = false;
    int digits = 0;
    for (const QChar c : comma) {
        if (c == QLatin1Char('-')) {
            negative = true;
        } else if (c == QLatin1Char(',')) {
            fraction = true;
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            if (n.mantissa == 0 && c == QLatin1Char('0') && !fraction)
                continue; // leading zeros add no digits
            if (fraction && n.decimals == MaxDecimals)
                return std::nullopt;
            if (++digits > 18)
                return std::nullopt;
            n.mantissa = n.mantissa * 10 + (c.unicode() - '0');
            if (fraction)
                ++n.decimals;
        }
    }
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

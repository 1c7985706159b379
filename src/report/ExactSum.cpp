#include "report/ExactSum.h"

namespace {

__int128 power10(int n)
{
    __int128 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

} // namespace

void ExactSum::shift(const DecimalNumber &number, int sign)
{
    if (number.decimals > m_scale) {
        m_value *= power10(number.decimals - m_scale);
        m_scale = number.decimals;
    }
    m_value += sign * __int128(number.mantissa) * power10(m_scale - number.decimals);
}

double ExactSum::value() const
{
    return double(m_value) / double(power10(m_scale));
}

QString ExactSum::text(int decimals) const
{
    __int128 v = m_value;
    if (decimals < m_scale) {
        const __int128 step = power10(m_scale - decimals);
        const __int128 half = step / 2;
        v = v >= 0 ? (v + half) / step : -((-v + half) / step);
    } else {
        v *= power10(decimals - m_scale);
    }
    const bool negative = v < 0;
    if (negative)
        v = -v;
    QString digits;
    do {
        digits.prepend(QLatin1Char(char('0' + int(v % 10))));
        v /= 10;
    } while (v != 0);
    if (decimals > 0) {
        while (digits.size() <= decimals)
            digits.prepend(QLatin1Char('0'));
        digits.insert(digits.size() - decimals, QLatin1Char(','));
    }
    if (negative)
        digits.prepend(QLatin1Char('-'));
    return digits;
}

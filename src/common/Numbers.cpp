#include "common/Numbers.h"

#include <cmath>
#include <limits>

namespace Numbers {

std::optional<double> parseDecimalComma(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
        while (i < t.size() && t[i].isSpace())
            ++i;
    }
    // Only ASCII digits: QChar::isDigit would also take Arabic-Indic digits.
    auto isDigit = [&t](qsizetype k) { return t[k] >= QLatin1Char('0') && t[k] <= QLatin1Char('9'); };
    QByteArray number;
    qsizetype digits = 0;
    for (; i < t.size() && isDigit(i); ++i, ++digits)
        number.append(char(t[i].unicode()));
    if (i < t.size() && t[i] == QLatin1Char(',')) {
        number.append('.');
        for (++i; i < t.size() && isDigit(i); ++i, ++digits)
            number.append(char(t[i].unicode()));
    }
    if (digits == 0 || i != t.size())
        return std::nullopt;
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<int> parseWhole(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<int> parsePortNumber(const QString &text)
{
    const std::optional<double> value = parseDecimalComma(text);
    if (!value)
        return std::nullopt;
    const double rounded = std::nearbyint(*value); // the default rounding mode: halves to even
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return int(rounded);
}

QString format(double value)
{
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15).replace(QLatin1Char('.'), QLatin1Char(','));
}

} // namespace Numbers

std::optional<float> singleFromDecimalComma(const QString &text)
{
    const std::optional<double> value = Numbers::parseDecimalComma(text);
    if (!value || std::fabs(*value) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return float(*value);
}

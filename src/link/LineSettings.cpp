#include "link/LineSettings.h"

#include <QStringList>

namespace {

std::optional<LineSettings::Parity> parityFrom(const QString &text)
{
    if (text.size() != 1)
        return std::nullopt;
    switch (text[0].toUpper().unicode()) {
    case 'N': return LineSettings::Parity::None;
    case 'E': return LineSettings::Parity::Even;
    case 'O': return LineSettings::Parity::Odd;
    case 'M': return LineSettings::Parity::Mark;
    case 'S': return LineSettings::Parity::Space;
    default: return std::nullopt;
    }
}

std::optional<LineSettings::StopBits> stopBitsFrom(const QString &text)
{
    if (text == QLatin1String("1"))
        return LineSettings::StopBits::One;
    if (text == QLatin1String("1.5"))
        return LineSettings::StopBits::OneAndHalf;
    if (text == QLatin1String("2"))
        return LineSettings::StopBits::Two;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> LineSettings::parse(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;

    LineSettings s;
    bool ok = false;
    s.baudRate = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baudRate <= 0)
        return std::nullopt;

    const auto parity = parityFrom(parts[1].trimmed());
    if (!parity)
        return std::nullopt;
    s.parity = *parity;

    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return std::nullopt;

    const auto stop = stopBitsFrom(parts[3].trimmed());
    if (!stop)
        return std::nullopt;
    s.stopBits = *stop;
    return s;
}

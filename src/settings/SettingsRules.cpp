#include "settings/SettingsRules.h"

#include "common/Numbers.h"

namespace SettingsRules {

std::optional<QChar> filterLuftKey(QChar typed, const QString &boxText)
{
    if (typed >= QLatin1Char('0') && typed <= QLatin1Char('9'))
        return typed;
    if (typed != QLatin1Char(',') && typed != QLatin1Char('.'))
        return std::nullopt;
    if (boxText.contains(QLatin1Char(',')))
        return std::nullopt;
    return QLatin1Char(',');
}

QString normaliseLuft(QString text)
{
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

std::optional<float> deadZone(const QString &luftText)
{
    if (luftText.isEmpty())
        return 0.0f;
    return singleFromDecimalComma(luftText);
}

bool portNumberInRange(const QString &text)
{
    const std::optional<double> value = Numbers::parseDecimalComma(text);
    return value && *value >= MinPort && *value <= MaxPort;
}

} // namespace SettingsRules

#include "report/LiveReading.h"

#include "report/DecimalNumber.h"

void LiveReading::decoded(const ScaleReading &reading, qint64 nowMs)
{
    m_has = true;
    m_since = nowMs;
    m_weight = shownWeight(reading.weight);
    m_unit = reading.unit.trimmed();
    m_stable = reading.status != QLatin1String("U");
}

QString LiveReading::shownWeight(const QString &text)
{
    const std::optional<DecimalNumber> n = DecimalNumber::read(text);
    return n ? decimalCommaText(n->value(), n->decimals) : text.trimmed();
}

bool LiveReading::noData(bool receptionOn, qint64 nowMs) const
{
    return receptionOn && nowMs - m_since >= SilenceMs;
}

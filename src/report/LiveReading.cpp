#include "report/LiveReading.h"

#include "report/DecimalNumber.h"

void LiveReading::decoded(const ScaleReading &reading, qint64 nowMs)
{
    m_has = true;
    m_since = nowMs;
    const std::optional<DecimalNumber> n = DecimalNumber::read(reading.weight);
    m_weight = n ? decimalCommaText(n->value(), n->decimals) : reading.weight.trimmed();
    m_unit = reading.unit.trimmed();
    m_stable = reading.status != QLatin1String("U");
}

bool LiveReading::noData(bool receptionOn, qint64 nowMs) const
{
    return receptionOn && nowMs - m_since >= SilenceMs;
}

#include "link/ScaleReading.h"

#include "common/Numbers.h"

#include <cmath>
#include <limits>

std::optional<float> singleFromDecimalComma(const QString &text)
{
    const std::optional<double> value = Numbers::parseDecimalComma(text);
    if (!value || std::fabs(*value) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return float(*value);
}

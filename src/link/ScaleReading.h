#pragma once

#include <QString>

#include <optional>

// One decoded frame: every text exactly as the scale sent it (blanks, sign
// and decimal point included).
struct ScaleReading {
    QString status;      // one character; "U" marks an unstable reading
    QString weight;
    QString unit;
    bool counting = false; // counting scales also send the two below
    QString quantity;
    QString unitWeight;
};

// A weight or a dead zone as the single-precision number the filters compare:
// a decimal-comma text (see Numbers::parseDecimalComma); nullopt when it is no
// number or lies beyond the single-precision range.
std::optional<float> singleFromDecimalComma(const QString &text);

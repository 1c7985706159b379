#pragma once

#include "common/Numbers.h"

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

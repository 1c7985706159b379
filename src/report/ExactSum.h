#pragma once

#include "report/DecimalNumber.h"

#include <QString>

// A sum of decimal numbers kept exact: a whole number at the finest scale
// added so far. Numbers of any scale are added and taken away again.
class ExactSum
{
public:
    void add(const DecimalNumber &number) { shift(number, 1); }
    void subtract(const DecimalNumber &number) { shift(number, -1); }
    double value() const;
    // The sum with the given decimals (rounded half away from zero).
    QString text(int decimals) const;

private:
    void shift(const DecimalNumber &number, int sign);

    __int128 m_value = 0;
    int m_scale = 0;
};

#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// A number read from a journal cell the way the recorder reads a weight: a
// "." becomes a decimal comma, blanks around it and a sign are allowed. Kept
// exact as a whole mantissa and its count of decimals, so sums of many
// readings show no rounding dust.
struct DecimalNumber {
    qint64 mantissa = 0; // value = mantissa / 10^decimals
    int decimals = 0;

    // Most decimals kept; scales send three or four.
    static constexpr int MaxDecimals = 9;

    double value() const;

    // Nothing when the text is no number, or has more digits than an exact
    // mantissa holds (such a cell is counted with the texts).
    static std::optional<DecimalNumber> read(QStringView text);
    // The same for a cell as the journal file holds it (its code page), read
    // as its decoded text would be.
    static std::optional<DecimalNumber> read(QByteArrayView cell);
};

// The text of a value with a decimal comma and a fixed count of decimals;
// never "-0,000".
QString decimalCommaText(double value, int decimals);

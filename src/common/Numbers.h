#pragma once

#include <QString>

#include <optional>

// Numbers as the operator's regional format writes them: the decimal
// separator is a comma. Independent of the machine's locale, so a journal
// made on one station reads the same on another.
namespace Numbers {

// A decimal number with a decimal comma: blanks around it and a sign (also
// followed by blanks, as scales pad it) are accepted; nothing else is.
std::optional<double> parseDecimalComma(const QString &text);

// A whole number as the settings store it ("0", "1", " 12"); a fraction or
// anything else gives nullopt.
std::optional<int> parseWhole(const QString &text);

// A port number from its text: a decimal-comma number rounded to a whole
// number (halves to even) in the signed 16-bit range; nullopt otherwise.
std::optional<int> parsePortNumber(const QString &text);

// The text of a number as the journal shows it: whole numbers without a
// fraction, others with a decimal comma.
QString format(double value);

} // namespace Numbers

// A weight or a dead zone as the single-precision number the filters compare:
// a decimal-comma text (see Numbers::parseDecimalComma); nullopt when it is no
// number or lies beyond the single-precision range.
std::optional<float> singleFromDecimalComma(const QString &text);

#pragma once

#include <QChar>
#include <QString>

#include <optional>

// The rules the settings dialog applies to what the operator types.
namespace SettingsRules {

// What a dead-zone box receives for a typed character: digits and one
// decimal comma (a full stop turns into a comma); nullopt discards it.
std::optional<QChar> filterLuftKey(QChar typed, const QString &boxText);

// A dead-zone text as it is put in force: every full stop becomes a comma.
QString normaliseLuft(QString text);

// The dead zone in force from its text: empty means 0, otherwise a
// decimal-comma number (a full stop is not accepted here); nullopt when it is
// no number.
std::optional<float> deadZone(const QString &luftText);

// Ports the operator may name: 1 to 32 (the scan lists 1 to 16 only).
constexpr int MinPort = 1;
constexpr int MaxPort = 32;
bool portNumberInRange(const QString &text);

} // namespace SettingsRules

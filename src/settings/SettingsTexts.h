#pragma once

#include <QString>

// What the settings dialog says to the operator, in one place (its captions
// stay beside the controls they name).
namespace SettingsTexts {

inline QString badPortNumber() { return QStringLiteral("Ошибка в номере порта !"); }

} // namespace SettingsTexts

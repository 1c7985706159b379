#pragma once

#include "common/ScaleTypes.h"

#include <QString>

#include <array>

// The settings the dialog keeps in the settings file, section "UserSettings"
// (eleven keys) and "LastSettings" (the port).
struct StoredSettings {
    int bell = 0;           // check states: 0 clear, 1 checked, 2 greyed
    int writeZero = 0;
    int unstableResult = 0;
    int showStreamData = 0;
    std::array<QString, ScaleTypes::Count> luft{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                                        QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")};
    int scaleType = 0;      // 0..5
    QString commNom = QStringLiteral("1");
};

namespace SettingsStore {

extern const char *const UserSection;  // "UserSettings"
extern const char *const LastSection;  // "LastSettings"

// Reads the keys, with their defaults for what is missing. Values the
// program never writes are made sound: a check state other than 0..2 is 0, a
// scale type other than 0..5 is 0, a dead zone that is not a number is "0"
// (a full stop in it becomes a comma; an empty one stays empty, meaning 0).
StoredSettings load(const QString &iniPath);

// Writes the twelve keys in their fixed order: the four check states, the six
// dead zones and the scale type to "UserSettings", then the port to
// "LastSettings".
void save(const QString &iniPath, const StoredSettings &settings);

} // namespace SettingsStore

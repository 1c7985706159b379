#pragma once

#include "common/Numbers.h"
#include "common/ScaleTypes.h"
#include "settings/LiveSettings.h"
#include "settings/SettingsRules.h"

// Live settings a test sets directly, as texts; read typed as the settings
// model gives them (a type only by "0".."5").
struct FakeLiveSettings : LiveSettings {
    QString scaleType = QStringLiteral("0");
    QString luft = QStringLiteral("0");
    QString port = QStringLiteral("1");
    int bellState = 0;
    int writeZeroState = 1;
    int unstableState = 1;
    int showStreamState = 0;

    int scaleTypeIndex() const override { return ScaleTypes::fromText(scaleType); }
    std::optional<float> deadZone() const override { return SettingsRules::deadZone(luft); }
    QString portText() const override { return port; }
    std::optional<int> portNumber() const override { return Numbers::parsePortNumber(port); }
    int bell() const override { return bellState; }
    int writeZero() const override { return writeZeroState; }
    int unstableResult() const override { return unstableState; }
    int showStreamData() const override { return showStreamState; }
};

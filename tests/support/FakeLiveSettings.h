#pragma once

#include "settings/LiveSettings.h"

// Live settings a test sets directly.
struct FakeLiveSettings : LiveSettings {
    QString scaleType = QStringLiteral("0");
    QString luft = QStringLiteral("0");
    QString port = QStringLiteral("1");
    int bellState = 0;
    int writeZeroState = 1;
    int unstableState = 1;
    int showStreamState = 0;

    QString scaleTypeText() const override { return scaleType; }
    QString luftText() const override { return luft; }
    QString portText() const override { return port; }
    int bell() const override { return bellState; }
    int writeZero() const override { return writeZeroState; }
    int unstableResult() const override { return unstableState; }
    int showStreamData() const override { return showStreamState; }
};

#pragma once

#include <QString>

// The live settings as the settings dialog holds them in its controls. Every
// reader asks at the moment of use, so an edit in the dialog applies at once.
class LiveSettings
{
public:
    virtual ~LiveSettings() = default;

    virtual QString scaleTypeText() const = 0;  // txtValTypeScale, "0".."5"
    virtual QString luftText() const = 0;       // txtLuft, dead zone in force
    virtual QString portText() const = 0;       // text of lstCommNom
    // Check states: 0 clear, 1 checked, 2 greyed.
    virtual int bell() const = 0;               // chkBell
    virtual int writeZero() const = 0;          // chkWriteZero
    virtual int unstableResult() const = 0;     // chkUnstablResult
    virtual int showStreamData() const = 0;     // chkShowStreamData
};

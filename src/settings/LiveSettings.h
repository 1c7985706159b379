#pragma once

#include <QString>

#include <optional>

// The live settings, typed. Every reader asks at the moment of use, so an edit
// in the settings dialog applies at once.
class LiveSettings
{
public:
    virtual ~LiveSettings() = default;

    // The selected scale type, 0..5; any other value names no type.
    virtual int scaleTypeIndex() const = 0;
    // The dead zone in force; nullopt when its text is no number.
    virtual std::optional<float> deadZone() const = 0;
    virtual QString portText() const = 0;                // the port as typed
    virtual std::optional<int> portNumber() const = 0;   // nullopt: no port number
    // Check states: 0 clear, 1 checked, 2 greyed.
    virtual int bell() const = 0;               // chkBell
    virtual int writeZero() const = 0;          // chkWriteZero
    virtual int unstableResult() const = 0;     // chkUnstablResult
    virtual int showStreamData() const = 0;     // chkShowStreamData
};

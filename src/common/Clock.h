#pragma once

#include <QDateTime>

// The local date and time, as the journal rows and the data-stream entries
// stamp them; tests set their own.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

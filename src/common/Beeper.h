#pragma once

// The system's standard beep, sounded when a reading is recorded.
class Beeper
{
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

#pragma once

#include "common/Beeper.h"
#include "common/Clock.h"

// A clock that shows what the test sets.
struct FixedClock : Clock {
    QDateTime time{QDate(2024, 3, 5), QTime(9, 5, 7)};
    QDateTime now() const override { return time; }
};

struct CountingBeeper : Beeper {
    int beeps = 0;
    void beep() override { ++beeps; }
};

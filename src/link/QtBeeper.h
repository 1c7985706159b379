#pragma once

#include "common/Beeper.h"

#include <QApplication>

class QtBeeper : public Beeper
{
public:
    void beep() override { QApplication::beep(); }
};

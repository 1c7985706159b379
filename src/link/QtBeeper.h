#pragma once

#include "link/Beeper.h"

#include <QApplication>

class QtBeeper : public Beeper
{
public:
    void beep() override { QApplication::beep(); }
};

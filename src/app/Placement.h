#pragma once

#include "app/Twips.h"

#include <QString>
#include <QWidget>

// Creates a child control with its object name at its designed place, given
// in twips (left, top, width, height).
template <typename W>
W *placeControl(QWidget *parent, const QString &name, int left, int top, int width, int height)
{
    auto *w = new W(parent);
    w->setObjectName(name);
    w->setGeometry(Twips::rect(left, top, width, height));
    return w;
}

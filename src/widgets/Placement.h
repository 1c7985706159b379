#pragma once

#include "widgets/Twips.h"

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

// The designed places assume an 8-point dialog font: use it for the window,
// whatever the desktop's default.
void useDesignedFont(QWidget *window);

// Widens labels, check boxes and option buttons whose caption would be cut
// off in the font in use (the designed widths fit the designed font).
void fitCaptions(QWidget *window);

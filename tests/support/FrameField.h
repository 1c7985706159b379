#pragma once

#include "link/FrameLayout.h"

#include <QByteArray>

// The bytes of one field of a frame, as the decoder takes them (short or
// empty when the frame is).
inline QByteArray fieldOf(const QByteArray &frame, FrameField field)
{
    return frame.mid(field.position - 1, field.length);
}

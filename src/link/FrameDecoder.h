#pragma once

#include "link/FrameLayout.h"
#include "link/ScaleReading.h"

#include <QString>

#include <optional>

// Splitting a received chunk into a reading by the fixed field positions of a
// scale protocol. Pure: each chunk is decoded on its own.
namespace FrameDecoder {

// True when the chunk begins with SOH STX.
bool startsFrame(QStringView chunk);

// The fields at the layout's positions; a field the chunk is too short for
// holds what part of it is there, possibly nothing. No trimming.
ScaleReading split(const QString &chunk, const FrameLayout &layout);

} // namespace FrameDecoder

#pragma once

#include "common/ScaleTypes.h"

namespace FrameLayouts {

constexpr char SOH = 1;
constexpr char STX = 2;
constexpr char ENQ = 5;
constexpr char ACK = 6;

// The frame layout of scale type 0..5; nullptr for any other type.
const FrameLayout *forType(int type);

} // namespace FrameLayouts

#include "link/FrameLayout.h"

namespace FrameLayouts {

const FrameLayout *forType(int type)
{
    const ScaleType *scale = ScaleTypes::at(type);
    return scale ? &scale->frame : nullptr;
}

} // namespace FrameLayouts

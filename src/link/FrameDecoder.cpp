#include "link/FrameDecoder.h"

namespace FrameDecoder {

bool startsFrame(QStringView chunk)
{
    return chunk.size() >= 2 && chunk[0] == QLatin1Char(FrameLayouts::SOH)
        && chunk[1] == QLatin1Char(FrameLayouts::STX);
}

ScaleReading split(const QString &chunk, const FrameLayout &layout)
{
    auto field = [&chunk](FrameField f) { return chunk.mid(f.position - 1, f.length); };
    ScaleReading r;
    r.status = field(layout.status);
    r.weight = field(layout.weight);
    r.unit = layout.unit.present() ? field(layout.unit) : layout.fixedUnit;
    r.counting = layout.counting;
    if (layout.counting) {
        r.quantity = field(layout.quantity);
        r.unitWeight = field(layout.unitWeight);
    }
    return r;
}

} // namespace FrameDecoder

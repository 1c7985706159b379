#include "link/FrameLayout.h"

#include <array>

namespace {

FrameLayout weighing(int length, FrameField weight, FrameField unit, QString fixedUnit = {})
{
    FrameLayout l;
    l.frameLength = length;
    l.status = {3, 1};
    l.weight = weight;
    l.unit = unit;
    l.fixedUnit = fixedUnit;
    return l;
}

FrameLayout counting(int length, FrameField status, FrameField weight, FrameField unit,
                     FrameField unitWeight)
{
    FrameLayout l;
    l.frameLength = length;
    l.counting = true;
    l.status = status;
    l.weight = weight;
    l.unit = unit;
    l.quantity = {3, 7};
    l.unitWeight = unitWeight;
    return l;
}

const std::array<FrameLayout, FrameLayouts::TypeCount> &table()
{
    static const std::array<FrameLayout, FrameLayouts::TypeCount> layouts = {
        weighing(16, {4, 8}, {12, 2}),                          // 0 JW-1
        weighing(15, {4, 7}, {11, 2}),                          // 1 SI-1
        counting(37, {13, 1}, {14, 9}, {23, 2}, {28, 7}),       // 2 JW-1C, PC-100E
        weighing(15, {4, 7}, {}, QStringLiteral("g")),          // 3 PC-100W, PW-200
        counting(37, {14, 1}, {15, 7}, {22, 2}, {27, 8}),       // 4 PC-100
        counting(36, {13, 1}, {14, 8}, {22, 2}, {27, 7}),       // 5 AC-100
    };
    return layouts;
}

} // namespace

namespace FrameLayouts {

const FrameLayout *forType(int type)
{
    if (type < 0 || type >= TypeCount)
        return nullptr;
    return &table()[type];
}

int typeFromText(const QString &text)
{
    if (text.size() != 1 || text[0] < QLatin1Char('0') || text[0] > QLatin1Char('5'))
        return -1;
    return text[0].unicode() - '0';
}

} // namespace FrameLayouts

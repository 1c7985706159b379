#include "common/ScaleTypes.h"

#include "common/Numbers.h"

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

// The three ways a port is set up.
constexpr PortProfile ReadLengthFirst{true, false};
constexpr PortProfile ThresholdFirst{false, false};
constexpr PortProfile OneFrameBuffer{false, true};

const std::array<ScaleType, ScaleTypes::Count> &table()
{
    static const std::array<ScaleType, ScaleTypes::Count> types = {{
        {0, QStringLiteral("JW-1"), weighing(16, {4, 8}, {12, 2}), ReadLengthFirst},
        {1, QStringLiteral("SI-1"), weighing(15, {4, 7}, {11, 2}), ThresholdFirst},
        {2, QStringLiteral("JW-1C,  PC-100E"), counting(37, {13, 1}, {14, 9}, {23, 2}, {28, 7}), OneFrameBuffer},
        {3, QStringLiteral("PC-100W,  PW-200"), weighing(15, {4, 7}, {}, QStringLiteral("g")), ThresholdFirst},
        {4, QStringLiteral("PC-100"), counting(37, {14, 1}, {15, 7}, {22, 2}, {27, 8}), OneFrameBuffer},
        {5, QStringLiteral("AC-100"), counting(36, {13, 1}, {14, 8}, {22, 2}, {27, 7}), OneFrameBuffer},
    }};
    return types;
}

} // namespace

namespace ScaleTypes {

const ScaleType *at(int index)
{
    if (index < 0 || index >= Count)
        return nullptr;
    return &table()[index];
}

int fromText(const QString &text)
{
    if (text.size() != 1 || text[0] < QLatin1Char('0') || text[0] > QLatin1Char('0' + Count - 1))
        return -1;
    return text[0].unicode() - '0';
}

int numberFromText(const QString &text)
{
    return Numbers::parseWhole(text).value_or(0);
}

} // namespace ScaleTypes

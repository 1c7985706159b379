#pragma once

#include <QString>

// The fixed frame layouts of the six scale protocols, by 1-based character
// positions. Every frame starts with SOH STX at positions 1 and 2; positions
// no field covers are not examined.
struct FrameField {
    int position = 0; // 1-based; 0 means the frame has no such field
    int length = 0;

    bool present() const { return position > 0; }
};

struct FrameLayout {
    int frameLength = 0;
    bool counting = false;   // counting scales also send quantity and unit weight
    FrameField status;
    FrameField weight;
    FrameField unit;         // absent when the protocol has a fixed unit
    QString fixedUnit;       // the unit of a protocol that does not send one
    FrameField quantity;
    FrameField unitWeight;
};

namespace FrameLayouts {

constexpr int TypeCount = 6;
constexpr char SOH = 1;
constexpr char STX = 2;
constexpr char ENQ = 5;
constexpr char ACK = 6;

// Layout of scale type 0..5; nullptr for any other type.
const FrameLayout *forType(int type);

// The scale type named by its text "0".."5" as the settings hold it (compared
// as text: " 1" or "01" name no type); -1 otherwise.
int typeFromText(const QString &text);

} // namespace FrameLayouts

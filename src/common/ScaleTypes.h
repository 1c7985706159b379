#pragma once

#include <QString>

// The six scale types, one row each: everything in which one type differs
// from another. The decoder, the port, the journal's columns, the settings
// dialog and the virtual scale all read this table.

// A field of a frame, by 1-based character positions.
struct FrameField {
    int position = 0; // 1-based; 0 means the frame has no such field
    int length = 0;

    bool present() const { return position > 0; }
};

// A type's fixed frame layout. Every frame starts with SOH STX at positions 1
// and 2; positions no field covers are not examined.
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

// How a type's port is set up beyond its frame length, which is both the
// read length and the receive threshold.
struct PortProfile {
    bool inputLenFirst = false;  // set the read length before the threshold
    bool setsBufferSize = false; // the receive buffer is one frame long
};

struct ScaleType {
    int index = 0;
    QString name;       // the caption of its option in the settings dialog
    FrameLayout frame;  // frame.counting: a counting type, whose journal has
                        // the counting column set (quantity, unit weight)
    PortProfile port;

    bool counting() const { return frame.counting; }
};

namespace ScaleTypes {

constexpr int Count = 6;

// Type 0..5; nullptr for any other index.
const ScaleType *at(int index);

// The settings hold the type as text, read two ways. Where it is compared as
// text, only "0".."5" name a type (" 1" or "01" name none): fromText gives
// -1 for any other text. Where its number is taken, numberFromText gives the
// whole number the text holds (" 12" is 12, outside 0..5 for the caller to
// judge) or 0 when it holds none.
int fromText(const QString &text);
int numberFromText(const QString &text);

} // namespace ScaleTypes

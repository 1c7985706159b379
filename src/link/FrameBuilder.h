#pragma once

#include "link/FrameLayout.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What a scale puts into one frame. Texts as they stand on the line; the
// builder aligns them in their fields.
struct FrameContent {
    QChar status = QLatin1Char('S'); // "U" marks an unstable reading
    QString weight;
    QString unit;                    // ignored by a protocol with a fixed unit
    QString quantity;                // counting protocols only
    QString unitWeight;              // counting protocols only
};

// Builds the frames a scale sends, by the layout table: SOH STX, the fields at
// their positions — numbers right-aligned, the unit left-aligned, each padded
// with blanks to its length —, blanks at every position no field covers, and
// optionally ENQ in the last position (which no layout reads).
namespace FrameBuilder {

// nullopt when a text is longer than its field or has a character the line's
// single-byte code page (Windows-1251) cannot carry.
std::optional<QByteArray> build(const FrameLayout &layout, const FrameContent &content,
                                bool withEnq = false);

// Why build() refuses the content; empty when it would not.
QString problem(const FrameLayout &layout, const FrameContent &content);

} // namespace FrameBuilder

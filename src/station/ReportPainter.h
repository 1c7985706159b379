#pragma once

#include <QPageLayout>

struct JournalReport;
class QPagedPaintDevice;

// Paints a journal report onto pages: the header (file, scale type, date),
// the table with its captions on every page, the totals after the last row,
// and "стр. N из M" at the foot of each page. The columns share the page
// width; a table wider than a portrait page is laid out in landscape.
namespace ReportPainter {

// The orientation the report needs on the device's page size.
QPageLayout::Orientation orientationFor(const JournalReport &report, QPagedPaintDevice &device);

// Paints on a device whose page layout (size, orientation, no margins) is
// already set. False when the
// device cannot be painted on (a file that cannot be written).
bool paint(const JournalReport &report, QPagedPaintDevice &device);

} // namespace ReportPainter

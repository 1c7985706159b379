#pragma once

#include <QPageLayout>

#include <functional>

class ReportSource;
class QPagedPaintDevice;

// Paints a journal report onto pages: the header (file, scale type, date),
// the table with its captions on every page, the totals after the last row,
// and "стр. N из M" at the foot of each page. The columns share the page
// width; a table wider than a portrait page is laid out in landscape.
namespace ReportPainter {

// The orientation the report needs on the device's page size.
QPageLayout::Orientation orientationFor(const ReportSource &report, QPagedPaintDevice &device);

// Told after each page with its number and the page count; false stops the
// painting there.
using PageDone = std::function<bool(int page, int pages)>;

// Paints on a device whose page layout (size, orientation, no margins) is
// already set. False when the device cannot be painted on (a file that
// cannot be written) or pageDone stopped it. A device of its own may be
// painted on any thread. False also for a source that could not give all
// its rows.
bool paint(const ReportSource &report, QPagedPaintDevice &device, const PageDone &pageDone = {});

// Writes the report as an A4 PDF file; an existing file stays as it was
// unless the whole report is written. May run on any thread.
bool writePdf(const ReportSource &report, const QString &path, const PageDone &pageDone = {});

} // namespace ReportPainter

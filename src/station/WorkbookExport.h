#pragma once

#include "report/JournalTotals.h"

#include <QString>

#include <functional>

struct JournalReport;

// Writes the journal as an .xlsx workbook (libxlsxwriter): one header row
// with the captions; weights, quantities, unit weights and running numbers
// as numbers wherever the recorder's reading of the text gives one, else as
// text; the "Время" cells as date-times; notes as text; the totals below.
// Texts are trimmed (the journal pads units and captions with blanks), so
// that a filter on "g" finds them.
namespace WorkbookExport {

// Told every few thousand rows with the rows written; false stops the
// writing.
using RowsDone = std::function<bool(int rows)>;

// False when the file cannot be written or rowsDone stopped it; an existing
// file is then left as it was. May run on any thread.
bool write(const JournalReport &report, const JournalTotals::Summary &totals, const QString &path,
           const RowsDone &rowsDone = {});

} // namespace WorkbookExport

#pragma once

#include "report/JournalTotals.h"

#include <QList>
#include <QString>

#include <functional>

class ReportSource;

// Writes the journal as an .xlsx workbook (libxlsxwriter): one header row
// with the captions; weights, quantities, unit weights and running numbers
// as numbers wherever the recorder's reading of the text gives one, else as
// text; the "Время" cells as date-times; notes as text; the totals below,
// a block for each owner (the journal, or each station and all of them).
// Texts are trimmed (the journal pads units and captions with blanks), so
// that a filter on "g" finds them.
namespace WorkbookExport {

// Told every few thousand rows with the rows written; false stops the
// writing.
using RowsDone = std::function<bool(int rows)>;

// A block of totals below the rows: whose they are (empty for a journal's
// own) and their figures.
struct Totals {
    QString owner;
    JournalTotals::Summary summary;
};

// False when the file cannot be written, rowsDone stopped it or the report
// could not give all its rows; an existing file is then left as it was.
// May run on any thread.
bool write(const ReportSource &report, const QList<Totals> &totals, const QString &path,
           const RowsDone &rowsDone = {});

} // namespace WorkbookExport

#pragma once

#include <QString>

struct JournalReport;
class JournalTotals;

// Writes the journal as an .xlsx workbook (libxlsxwriter): one header row
// with the captions; weights, quantities, unit weights and running numbers
// as numbers wherever the recorder's reading of the text gives one, else as
// text; the "Время" cells as date-times; notes as text; the totals below.
namespace WorkbookExport {

// False when the file cannot be written; an existing file is then left as
// it was.
bool write(const JournalReport &report, const JournalTotals &totals, const QString &path);

} // namespace WorkbookExport

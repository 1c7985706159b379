#pragma once

#include "report/JournalTotals.h"

#include <QString>
#include <QStringList>

namespace TotalsText {

// "1 строка", "3 строки", "5 строк".
QString rows(qint64 count);

// The figures of one unit: "сумма 4,250 kg, среднее 1,417, мин. 0,750,
// макс. 2,500, ст. откл. 0,877[, количество 30]".
QString unitFigures(const JournalTotals::Unit &figures);

// The totals line, "Итого: 3 строки, сумма 4,250 kg, ..."; units apart when
// there are several, and the rows whose weight is no number. With selected
// set it reads "Итого: выделено 2 строки, ...".
QString line(const JournalTotals::Summary &summary, bool selected = false);

// The totals as lines for a report: the row count, one line per unit, the
// rows that are no number.
QStringList lines(const JournalTotals::Summary &summary);

} // namespace TotalsText

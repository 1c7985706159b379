#pragma once

#include "report/JournalTotals.h"
#include "supervisor/CentralRows.h"

#include <QStringList>

namespace SelectionTotalsText {

// The totals of one station, or of all the stations selected, as a
// station's journal has its own.
struct Owned {
    QString owner; // the station's name, or "Все выбранные"
    JournalTotals::Summary summary;
};
QList<Owned> summaries(const QList<SelectionTotal> &totals);

// The totals of a selection worded as a station words its own: a line
// "<station>: Итого: …" per station, units apart, then the same over all
// the stations selected.
QStringList lines(const QList<SelectionTotal> &totals);

} // namespace SelectionTotalsText

#pragma once

#include "supervisor/CentralRows.h"

#include <QStringList>

namespace SelectionTotalsText {

// The totals of a selection worded as a station words its own: a line
// "<station>: Итого: …" per station, units apart, then the same over all
// the stations selected.
QStringList lines(const QList<SelectionTotal> &totals);

} // namespace SelectionTotalsText

#include "supervisor/SelectionTotalsText.h"

#include "report/TotalsText.h"
#include "supervisor/SupervisorTexts.h"

namespace {

// The server's exact decimal with the station's decimal comma.
JournalTotals::Unit unitOf(const SelectionTotal &t)
{
    JournalTotals::Unit u;
    u.unit = t.unit;
    u.rows = t.weighed;
    const int point = t.sum.indexOf(QLatin1Char('.'));
    u.decimals = point < 0 ? 0 : int(t.sum.size()) - point - 1;
    u.sum = QString(t.sum).replace(QLatin1Char('.'), QLatin1Char(','));
    u.mean = t.mean.toDouble();
    u.min = t.min.toDouble();
    u.max = t.max.toDouble();
    u.stdDev = t.stddev.toDouble();
    u.counting = !t.quantitySum.isEmpty();
    u.quantitySum = QString(t.quantitySum).replace(QLatin1Char('.'), QLatin1Char(','));
    return u;
}

} // namespace

QStringList SelectionTotalsText::lines(const QList<SelectionTotal> &totals)
{
    QStringList out;
    QString station;
    QString name;
    JournalTotals::Summary summary;
    const auto flush = [&] {
        if (!summary.units.isEmpty())
            out << (station.isEmpty() ? SupervisorTexts::allSelected() : name) + QStringLiteral(": ")
                    + TotalsText::line(summary);
        summary = {};
    };
    // The server sends them grouped: each station's units, then the units
    // over all of them (no station).
    for (const SelectionTotal &t : totals) {
        if (t.station != station || summary.units.isEmpty()) {
            flush();
            station = t.station;
            name = t.stationName;
        }
        summary.rows += t.readings;
        summary.notNumbers += t.readings - t.weighed;
        if (t.weighed > 0)
            summary.units.append(unitOf(t));
    }
    flush();
    return out;
}

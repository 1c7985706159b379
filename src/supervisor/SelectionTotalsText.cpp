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

QList<SelectionTotalsText::Owned> SelectionTotalsText::summaries(const QList<SelectionTotal> &totals)
{
    QList<Owned> out;
    QString station;
    // The server sends them grouped: each station's units, then the units
    // over all of them (no station).
    for (const SelectionTotal &t : totals) {
        if (out.isEmpty() || t.station != station) {
            station = t.station;
            out.append({station.isEmpty() ? SupervisorTexts::allSelected() : t.stationName, {}});
        }
        JournalTotals::Summary &summary = out.last().summary;
        summary.rows += t.readings;
        summary.notNumbers += t.readings - t.weighed;
        if (t.weighed > 0)
            summary.units.append(unitOf(t));
    }
    return out;
}

QStringList SelectionTotalsText::lines(const QList<SelectionTotal> &totals)
{
    QStringList out;
    for (const Owned &o : summaries(totals)) {
        if (!o.summary.units.isEmpty())
            out << o.owner + QStringLiteral(": ") + TotalsText::line(o.summary);
    }
    return out;
}

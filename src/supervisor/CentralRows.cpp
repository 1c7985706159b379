#include "supervisor/CentralRows.h"

#include "journal/JournalLayout.h"
#include "supervisor/SupervisorTexts.h"

namespace {

const QVector<JournalColumn> &journalColumns()
{
    static const QVector<JournalColumn> columns = JournalLayout::counting();
    return columns;
}

QString cellByKey(const CentralRow &r, const QString &key)
{
    if (key == QLatin1String("NomPP"))
        return r.nomPP;
    if (key == QLatin1String("Weight"))
        return r.weight;
    if (key == QLatin1String("Unit"))
        return r.unit;
    if (key == QLatin1String("Stat"))
        return r.stat;
    if (key == QLatin1String("Kol"))
        return r.quantity;
    if (key == QLatin1String("UnitWeight"))
        return r.unitWeight;
    if (key == QLatin1String("Time"))
        return r.time;
    return r.note;
}

} // namespace

bool operator<(const RowKey &a, const RowKey &b)
{
    if (a.micros != b.micros)
        return a.micros < b.micros;
    if (a.station != b.station)
        return a.station < b.station;
    return a.reading < b.reading;
}

namespace CentralColumns {

int count()
{
    return 1 + int(journalColumns().size());
}

QString caption(int column)
{
    return column == 0 ? SupervisorTexts::stationCaption() : journalColumns()[column - 1].caption;
}

QString cell(const CentralRow &row, int column)
{
    return column == 0 ? row.stationName : cellByKey(row, journalColumns()[column - 1].key);
}

} // namespace CentralColumns

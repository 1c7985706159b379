#include "report/JournalReport.h"

#include "link/JournalTime.h"
#include "report/ReportTexts.h"

#include <QAbstractItemModel>

QStringList JournalReport::headerLines() const
{
    return {ReportTexts::journalHeading(fileName), ReportTexts::scaleHeading(scaleType),
            ReportTexts::printedHeading(JournalTime::text(printed, JournalTime::programLocale()))};
}

QStringList JournalReport::captions() const
{
    QStringList out;
    for (int c = 0; c < journal.columnCount(); ++c)
        out << journal.headerData(c, Qt::Horizontal).toString();
    return out;
}

QString JournalReport::cell(int row, int column) const
{
    return journal.data(journal.index(row, column), Qt::DisplayRole).toString();
}

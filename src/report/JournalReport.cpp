#include "report/JournalReport.h"

#include "link/JournalTime.h"
#include "report/ReportTexts.h"

QStringList JournalReport::headerLines() const
{
    return {ReportTexts::journalHeading(fileName), ReportTexts::scaleHeading(scaleType),
            ReportTexts::printedHeading(JournalTime::text(printed, JournalTime::programLocale()))};
}

QStringList JournalReport::captions() const
{
    return journal.captions();
}

QString JournalReport::cell(int row, int column) const
{
    return journal.cell(row, column);
}

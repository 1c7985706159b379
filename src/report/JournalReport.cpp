#include "report/JournalReport.h"

#include "link/JournalTime.h"
#include "report/ReportTexts.h"

JournalReport::JournalReport(JournalSnapshot journal, QString fileName, QString scaleType, QDateTime printed,
                             QStringList totals)
    : journal(std::move(journal)), fileName(std::move(fileName)), scaleType(std::move(scaleType)),
      printed(std::move(printed)), totals(std::move(totals))
{
}

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

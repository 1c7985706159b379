#include "supervisor/SelectionExports.h"

#include "common/UserMessages.h"
#include "link/JournalTime.h"
#include "report/ReportTexts.h"
#include "station/ReportPainter.h"
#include "station/StationTexts.h"
#include "station/WorkbookExport.h"
#include "supervisor/SelectionReport.h"
#include "supervisor/SupervisorModel.h"
#include "supervisor/SupervisorTexts.h"
#include "supervisor/SupervisorWindow.h"

SelectionExports::SelectionExports(QString conninfo, SupervisorWindow &window, FileDialogs &dialogs,
                                   UserMessages &messages)
    : m_conninfo(std::move(conninfo)), m_window(window), m_messages(messages), m_steps(dialogs, messages)
{
}

void SelectionExports::exportExcel()
{
    exportAs(QStringLiteral("Excel (*.xlsx)"), QStringLiteral("xlsx"), StationTexts::exportExcel(),
             [](const SelectionReport &report, const QString &path, const ExportSteps::StepDone &stepDone) {
                 QList<WorkbookExport::Totals> totals;
                 for (const SelectionTotalsText::Owned &o : SelectionTotalsText::summaries(report.totals()))
                     totals.append({o.owner, o.summary});
                 const int rows = report.rowCount();
                 return WorkbookExport::write(report, totals, path,
                                              [&stepDone, rows](int done) { return stepDone(done, rows); });
             });
}

void SelectionExports::exportPdf()
{
    exportAs(QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf"), StationTexts::exportPdf(),
             [](const SelectionReport &report, const QString &path, const ExportSteps::StepDone &stepDone) {
                 return ReportPainter::writePdf(report, path, stepDone);
             });
}

void SelectionExports::exportAs(const QString &filter, const QString &suffix, const QString &label, const Write &write)
{
    const std::optional<QString> path = m_steps.choose(QString(), SupervisorTexts::windowTitle(), filter, suffix);
    if (!path)
        return;
    // What the rows show: the filter the model applied, its period as of now.
    const ReadingFilter selection = m_window.model().filter();
    const QDateTime now = QDateTime::currentDateTime();
    const QStringList names = m_window.stationNames(selection.stations);
    const QStringList header{
        ReportTexts::journalHeading(SupervisorTexts::windowTitle()),
        ReportTexts::scaleHeading(names.isEmpty() ? SupervisorTexts::allStations() : names.join(QStringLiteral(", "))),
        ReportTexts::printedHeading(JournalTime::text(now, JournalTime::programLocale()))};
    QString serverError;
    const BackgroundJob::Outcome outcome =
        m_steps.run(m_window, label, [&](const ExportSteps::StepDone &stepDone) {
            SelectionReport report(selection, now, header);
            // A server lost on the way ends the writing at its next step.
            const ExportSteps::StepDone untilLost = [&](int done, int total) {
                return report.complete() && stepDone(done, total);
            };
            const bool written = report.open(m_conninfo) && write(report, *path, untilLost);
            serverError = report.error();
            return written;
        });
    if (outcome == BackgroundJob::Outcome::Failed && !serverError.isEmpty())
        m_messages.inform(SupervisorTexts::exportFailed(serverError));
    else
        m_steps.tell(outcome, *path);
}

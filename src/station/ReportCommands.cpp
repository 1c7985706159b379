#include "station/ReportCommands.h"

#include "files/FileCommands.h"
#include "files/FileTexts.h"
#include "journal/JournalGrid.h"
#include "report/JournalReport.h"
#include "report/JournalTotals.h"
#include "report/TotalsText.h"
#include "station/ReportPainter.h"
#include "station/StationTexts.h"
#include "station/WorkbookExport.h"

#include <QFileInfo>
#include <QPaintEngine>
#include <QPrintPreviewDialog>
#include <QPrinter>

ReportCommands::ReportCommands(Sources sources, FileDialogs &dialogs, UserMessages &messages, QWidget &window)
    : QObject(&window)
    , m_sources(std::move(sources))
    , m_steps(dialogs, messages)
    , m_window(window)
{
    setObjectName(QStringLiteral("reportCommands"));
}

JournalReport ReportCommands::report() const
{
    const QString file = m_sources.files.curFileName();
    return JournalReport(m_sources.journal.snapshot(), file.isEmpty() ? FileTexts::newJournal() : file,
                         m_sources.scaleType(), QDateTime::currentDateTime(),
                         TotalsText::lines(m_sources.totals.whole()));
}

void ReportCommands::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setDocName(StationTexts::journal());
    const JournalReport r = report();
    printer.setPageMargins(QMarginsF());
    printer.setPageOrientation(ReportPainter::orientationFor(r, printer));
    QPrintPreviewDialog preview(&printer, &m_window);
    preview.setObjectName(QStringLiteral("dlgPrintPreview"));
    preview.setWindowTitle(StationTexts::printPreview());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this, &r, &preview](QPrinter *p) {
        // The preview records every page it is given, on the window's
        // thread: it is given the first pages only.
        if (p->paintEngine()->type() == QPaintEngine::Picture) {
            ReportPainter::paint(r, *p, [](int page, int) { return page < PreviewPages; });
            return;
        }
        m_steps.run(preview, StationTexts::print(), [&r, p](const std::function<bool(int, int)> &pageDone) {
            return ReportPainter::paint(r, *p, [&pageDone, p](int page, int pages) {
                if (pageDone(page, pages))
                    return true;
                p->abort(); // where the printing system can take the job back
                return false;
            });
        });
    });
    preview.exec();
}

void ReportCommands::exportPdf()
{
    const std::optional<QString> path = choose(QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf"));
    if (!path)
        return;
    const JournalReport r = report();
    m_steps.tell(m_steps.run(m_window, StationTexts::exportPdf(),
                             [&r, &path](const ExportSteps::StepDone &pageDone) {
                                 return ReportPainter::writePdf(r, *path, pageDone);
                             }),
                 *path);
}

void ReportCommands::exportExcel()
{
    const std::optional<QString> path = choose(QStringLiteral("Excel (*.xlsx)"), QStringLiteral("xlsx"));
    if (!path)
        return;
    const JournalReport r = report();
    const JournalTotals::Summary totals = m_sources.totals.whole();
    m_steps.tell(m_steps.run(m_window, StationTexts::exportExcel(),
                             [&](const ExportSteps::StepDone &stepDone) {
                                 const int rows = r.rowCount();
                                 return WorkbookExport::write(r, {{QString(), totals}}, *path, [&stepDone, rows](int done) {
                                     return stepDone(done, rows);
                                 });
                             }),
                 *path);
}

std::optional<QString> ReportCommands::choose(const QString &filter, const QString &suffix)
{
    const QString current = m_sources.files.curFileName();
    const QString base = current.isEmpty() ? StationTexts::journal() : QFileInfo(current).completeBaseName();
    return m_steps.choose(m_sources.files.startFolder(), base, filter, suffix);
}

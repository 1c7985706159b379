#include "station/ReportCommands.h"

#include "common/UserMessages.h"
#include "files/FileCommands.h"
#include "files/FileDialogs.h"
#include "files/FileTexts.h"
#include "journal/JournalGrid.h"
#include "report/JournalReport.h"
#include "report/JournalTotals.h"
#include "report/TotalsText.h"
#include "station/ReportPainter.h"
#include "station/StationTexts.h"
#include "station/WorkbookExport.h"

#include <QDir>
#include <QFileInfo>
#include <QPaintEngine>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>

namespace {

// Writes the report as a PDF file; an existing file stays as it was unless
// the whole report is written.
bool writePdf(const JournalReport &report, const QString &path, const ReportPainter::PageDone &pageDone)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(300);
        pdf.setTitle(StationTexts::journal());
        pdf.setCreator(QStringLiteral("Tarovik_RS232"));
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF());
        pdf.setPageOrientation(ReportPainter::orientationFor(report, pdf));
        if (!ReportPainter::paint(report, pdf, pageDone)) {
            file.cancelWriting();
            return false;
        }
    }
    return file.commit();
}

} // namespace

ReportCommands::ReportCommands(Sources sources, FileDialogs &dialogs, UserMessages &messages, QWidget &window)
    : QObject(&window)
    , m_sources(std::move(sources))
    , m_dialogs(dialogs)
    , m_messages(messages)
    , m_window(window)
{
    setObjectName(QStringLiteral("reportCommands"));
}

JournalReport ReportCommands::report() const
{
    const QString file = m_sources.files.curFileName();
    return JournalReport{m_sources.journal.snapshot(), file.isEmpty() ? FileTexts::newJournal() : file,
                         m_sources.scaleType(), QDateTime::currentDateTime(),
                         TotalsText::lines(m_sources.totals.whole())};
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
        runJob(preview, StationTexts::print(), [&r, p](const std::function<bool(int, int)> &pageDone) {
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
    tell(runJob(m_window, StationTexts::exportPdf(),
                [&r, &path](const std::function<bool(int, int)> &pageDone) { return writePdf(r, *path, pageDone); }),
         *path);
}

void ReportCommands::exportExcel()
{
    const std::optional<QString> path = choose(QStringLiteral("Excel (*.xlsx)"), QStringLiteral("xlsx"));
    if (!path)
        return;
    const JournalReport r = report();
    const JournalTotals::Summary totals = m_sources.totals.whole();
    tell(runJob(m_window, StationTexts::exportExcel(),
                [&](const std::function<bool(int, int)> &stepDone) {
                    const int rows = r.journal.rowCount();
                    return WorkbookExport::write(r, totals, *path,
                                                 [&stepDone, rows](int done) { return stepDone(done, rows); });
                }),
         *path);
}

std::optional<QString> ReportCommands::choose(const QString &filter, const QString &suffix)
{
    const QString current = m_sources.files.curFileName();
    const QString base = current.isEmpty() ? StationTexts::journal() : QFileInfo(current).completeBaseName();
    const FileDialogs::Request request{m_sources.files.startFolder(), {filter, QStringLiteral("All (*.*)")},
                                       base + QLatin1Char('.') + suffix};
    std::optional<QString> path = m_dialogs.saveFileName(request);
    if (path && !path->isEmpty() && QFileInfo(*path).suffix().compare(suffix, Qt::CaseInsensitive) != 0)
        *path += QLatin1Char('.') + suffix;
    if (!path || path->isEmpty() || !m_sources.files.confirmReplace(*path)) {
        m_messages.inform(FileTexts::cancelled());
        return std::nullopt;
    }
    return QDir::toNativeSeparators(*path);
}

BackgroundJob::Outcome ReportCommands::runJob(QWidget &over, const QString &label,
                                              const std::function<bool(const std::function<bool(int, int)> &)> &work)
{
    return BackgroundJob::run(over, label, [&](BackgroundJob::Progress &progress) {
        return work([this, &progress](int done, int total) {
            if (m_watcher)
                m_watcher();
            return progress.report(done, total);
        });
    });
}

void ReportCommands::tell(BackgroundJob::Outcome outcome, const QString &path)
{
    switch (outcome) {
    case BackgroundJob::Outcome::Done:
        m_messages.inform(FileTexts::savedTo(path));
        break;
    case BackgroundJob::Outcome::Failed:
        m_messages.inform(FileTexts::failed());
        break;
    case BackgroundJob::Outcome::Cancelled:
        m_messages.inform(FileTexts::cancelled());
        break;
    }
}

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
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>

ReportCommands::ReportCommands(Sources sources, FileDialogs &dialogs, UserMessages &messages, QWidget &window)
    : m_sources(std::move(sources))
    , m_dialogs(dialogs)
    , m_messages(messages)
    , m_window(window)
{
}

JournalReport ReportCommands::report() const
{
    const QString file = m_sources.files.curFileName();
    return JournalReport{m_sources.journal, file.isEmpty() ? FileTexts::newJournal() : file, m_sources.scaleType(),
                         QDateTime::currentDateTime(), TotalsText::lines(m_sources.totals.whole())};
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
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&r](QPrinter *p) { ReportPainter::paint(r, *p); });
    preview.exec();
}

bool ReportCommands::writePdf(const QString &path) const
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
        const JournalReport r = report();
        pdf.setPageOrientation(ReportPainter::orientationFor(r, pdf));
        if (!ReportPainter::paint(r, pdf)) {
            file.cancelWriting();
            return false;
        }
    }
    return file.commit();
}

void ReportCommands::exportPdf()
{
    if (const std::optional<QString> path = choose(QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf")))
        tell(writePdf(*path), *path);
}

void ReportCommands::exportExcel()
{
    if (const std::optional<QString> path = choose(QStringLiteral("Excel (*.xlsx)"), QStringLiteral("xlsx")))
        tell(WorkbookExport::write(report(), m_sources.totals, *path), *path);
}

std::optional<QString> ReportCommands::choose(const QString &filter, const QString &suffix)
{
    const QString current = m_sources.files.curFileName();
    const QString base = current.isEmpty() ? StationTexts::journal() : QFileInfo(current).completeBaseName();
    const FileDialogs::Request request{m_sources.files.startFolder(), {filter, QStringLiteral("All (*.*)")},
                                       base + QLatin1Char('.') + suffix};
    std::optional<QString> path = m_dialogs.saveFileName(request);
    if (!path || path->isEmpty()) {
        m_messages.inform(FileTexts::cancelled());
        return std::nullopt;
    }
    if (QFileInfo(*path).suffix().compare(suffix, Qt::CaseInsensitive) != 0)
        *path += QLatin1Char('.') + suffix;
    return QDir::toNativeSeparators(*path);
}

void ReportCommands::tell(bool written, const QString &path)
{
    m_messages.inform(written ? FileTexts::savedTo(path) : FileTexts::failed());
}

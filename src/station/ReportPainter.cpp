#include "station/ReportPainter.h"

#include "report/ReportSource.h"
#include "station/StationTexts.h"

#include <QAbstractItemModel>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace {

// Rows measured to find a column's natural width: a sample, evenly spread,
// so a million rows do not cost a million measurements.
constexpr int SampledRows = 500;
// Points.
constexpr qreal FontSize = 9;
constexpr qreal Margin = 36;
constexpr qreal CellPadding = 3;

QFont reportFont()
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(FontSize);
    return f;
}

// Device units per point.
qreal unitsPerPoint(const QPaintDevice &device)
{
    return device.logicalDpiX() / 72.0;
}

// Natural widths of the columns in points (text width plus padding).
QVector<qreal> naturalWidths(const ReportSource &report, QPaintDevice &device)
{
    QFont bold = reportFont();
    bold.setBold(true);
    const qreal k = unitsPerPoint(device);
    const QFontMetricsF plain(reportFont(), &device);
    const QFontMetricsF header(bold, &device);
    const QStringList captions = report.captions();
    const int rows = report.rowCount();
    const int step = std::max(1, rows / SampledRows);
    QVector<qreal> widths;
    for (const QString &caption : captions)
        widths << header.horizontalAdvance(caption);
    // Row by row: a source may read its rows in order.
    for (int r = 0; r < rows; r += step) {
        for (int c = 0; c < widths.size(); ++c)
            widths[c] = std::max(widths[c], plain.horizontalAdvance(report.cell(r, c)));
    }
    for (qreal &w : widths)
        w = w / k + 2 * CellPadding;
    return widths;
}

// A page's drawable area in points.
QRectF area(const QPageLayout &layout)
{
    const QRectF full = layout.fullRect(QPageLayout::Point);
    return full.adjusted(Margin, Margin, -Margin, -Margin);
}

// The widths fitted to the page: the note column (the last) gives way first
// and the others shrink only when it cannot; spare room goes to the notes.
QVector<qreal> fitted(QVector<qreal> widths, qreal pageWidth)
{
    if (widths.isEmpty())
        return widths;
    qreal total = 0;
    for (qreal w : std::as_const(widths))
        total += w;
    const qreal others = total - widths.constLast();
    if (total <= pageWidth) {
        widths.last() += pageWidth - total;
    } else if (others < pageWidth * 0.8) {
        widths.last() = pageWidth - others;
    } else {
        for (qreal &w : widths)
            w *= pageWidth / total;
    }
    return widths;
}

} // namespace

namespace ReportPainter {

QPageLayout::Orientation orientationFor(const ReportSource &report, QPagedPaintDevice &device)
{
    const QPageSize page = device.pageLayout().pageSize();
    const qreal portrait = page.rect(QPageSize::Point).width() - 2 * Margin;
    qreal total = 0;
    const QVector<qreal> widths = naturalWidths(report, device);
    for (qreal w : widths)
        total += w;
    return total > portrait ? QPageLayout::Landscape : QPageLayout::Portrait;
}

bool paint(const ReportSource &report, QPagedPaintDevice &device, const PageDone &pageDone)
{
    // The margins are the report's own: the page is painted from its corner.
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const QPageLayout layout = device.pageLayout();
    const QRectF page = area(layout);
    // Laid out in points, painted in the device's units.
    const qreal k = unitsPerPoint(device);
    auto onDevice = [k](const QRectF &r) { return QRectF(r.topLeft() * k, r.size() * k); };

    const QFont plain = reportFont();
    QFont bold = plain;
    bold.setBold(true);
    const QFontMetricsF metrics(plain, &device);
    const qreal line = std::ceil(metrics.height() / k * 1.3);
    const QVector<qreal> widths = fitted(naturalWidths(report, device), page.width());
    const QStringList captions = report.captions();
    const QStringList header = report.headerLines();
    const int rows = report.rowCount();
    const QStringList totals = report.totalLines();

    const qreal headerHeight = line * (header.size() + 0.5);
    const qreal footerHeight = line * 1.5;
    const int rowsPerPage = std::max(1, int((page.height() - headerHeight - footerHeight) / line) - 1);
    const int tablePages = std::max(1, (rows + rowsPerPage - 1) / rowsPerPage);
    const int lastPageRows = rows - (tablePages - 1) * rowsPerPage;
    const int roomLeft = rowsPerPage - lastPageRows - 1;
    const int pages = tablePages + (roomLeft >= totals.size() ? 0 : 1);

    const QColor rule(Qt::gray);
    auto drawRow = [&](qreal y, const QStringList &cells, bool caption) {
        qreal x = page.left();
        painter.setFont(caption ? bold : plain);
        for (int c = 0; c < widths.size(); ++c) {
            const QRectF cell(x, y, widths[c], line);
            const QRectF text = onDevice(cell.adjusted(CellPadding, 0, -CellPadding, 0));
            const QString shown = metrics.elidedText(cells.value(c), Qt::ElideRight, text.width());
            painter.drawText(text, Qt::AlignVCenter | (caption ? Qt::AlignHCenter : Qt::AlignLeft), shown);
            x += widths[c];
        }
        painter.setPen(rule);
        painter.drawLine(QPointF(page.left(), y + line) * k, QPointF(x, y + line) * k);
        painter.setPen(Qt::black);
    };

    int row = 0;
    for (int p = 1; p <= pages; ++p) {
        if (p > 1 && !device.newPage())
            return false;
        painter.setFont(plain);
        qreal y = page.top();
        for (const QString &h : header) {
            painter.drawText(onDevice(QRectF(page.left(), y, page.width(), line)), Qt::AlignVCenter | Qt::AlignLeft, h);
            y += line;
        }
        y += line / 2;
        if (p <= tablePages) {
            drawRow(y, captions, true);
            y += line;
            QStringList cells;
            for (int k = 0; k < rowsPerPage && row < rows; ++k, ++row) {
                cells.clear();
                for (int c = 0; c < widths.size(); ++c)
                    cells << report.cell(row, c);
                drawRow(y, cells, false);
                y += line;
            }
        }
        if (p == pages) {
            painter.setFont(bold);
            y += line / 2;
            for (const QString &t : totals) {
                painter.drawText(onDevice(QRectF(page.left(), y, page.width(), line)), Qt::AlignVCenter | Qt::AlignLeft,
                                 metrics.elidedText(t, Qt::ElideRight, page.width() * k));
                y += line;
            }
        }
        painter.setFont(plain);
        painter.drawText(onDevice(QRectF(page.left(), page.bottom() - line, page.width(), line)), Qt::AlignCenter,
                         StationTexts::page(p, pages));
        if (pageDone && !pageDone(p, pages))
            return false;
    }
    return painter.end() && report.complete();
}

bool writePdf(const ReportSource &report, const QString &path, const PageDone &pageDone)
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
        pdf.setPageOrientation(orientationFor(report, pdf));
        if (!paint(report, pdf, pageDone)) {
            file.cancelWriting();
            return false;
        }
    }
    return file.commit();
}

} // namespace ReportPainter

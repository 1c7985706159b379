#include "station/WorkbookExport.h"

#include "journal/JournalLayout.h"
#include "link/JournalTime.h"
#include "report/DecimalNumber.h"
#include "report/ReportSource.h"
#include "report/JournalTotals.h"
#include "report/TimeReader.h"
#include "report/TotalsText.h"
#include "station/StationTexts.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <array>

namespace {

enum class Kind { Text, Number, Time };

// What a column holds, by its caption.
Kind kindOf(const QString &caption)
{
    for (const JournalColumn &c : JournalLayout::counting()) {
        if (c.caption != caption)
            continue;
        if (c.key == QLatin1String("Time"))
            return Kind::Time;
        if (c.key == QLatin1String("NomPP") || c.key == QLatin1String("Weight") || c.key == QLatin1String("Kol")
            || c.key == QLatin1String("UnitWeight"))
            return Kind::Number;
    }
    return Kind::Text;
}

// The cell formats of one workbook.
class Formats
{
public:
    explicit Formats(lxw_workbook *book)
        : m_book(book)
    {
        m_header = workbook_add_format(book);
        format_set_bold(m_header);
        m_time = workbook_add_format(book);
        format_set_num_format(m_time, "dd.mm.yyyy hh:mm:ss");
    }
    lxw_format *header() const { return m_header; }
    lxw_format *time() const { return m_time; }
    // A number shown with its decimals, as the scale sent it.
    lxw_format *decimals(int d)
    {
        if (!m_decimals[d]) {
            m_decimals[d] = workbook_add_format(m_book);
            const QByteArray f = d == 0 ? QByteArray("0") : "0." + QByteArray(d, '0');
            format_set_num_format(m_decimals[d], f.constData());
        }
        return m_decimals[d];
    }

private:
    lxw_workbook *m_book;
    lxw_format *m_header = nullptr;
    lxw_format *m_time = nullptr;
    std::array<lxw_format *, DecimalNumber::MaxDecimals + 1> m_decimals{};
};

// Rows written between two calls of RowsDone.
constexpr int RowsPerStep = 4096;

// A text cell's bytes, without the blanks the journal pads it with.
QByteArray cellText(const QString &text)
{
    return text.trimmed().toUtf8();
}

// A block of totals: the row count (after its owner's name, when it has
// one), then each unit's sum as a number under the weights, its unit beside
// it and its other figures in the note column. Returns the row after it.
lxw_row_t writeTotals(lxw_worksheet *sheet, lxw_row_t row, const WorkbookExport::Totals &t, int weightCol, int unitCol,
                      int noteCol, Formats &formats)
{
    const lxw_col_t first = 0;
    const JournalTotals::Summary &s = t.summary;
    const QString owner = t.owner.isEmpty() ? QString() : t.owner + QStringLiteral(": ");
    worksheet_write_string(sheet, row++, first,
                           (owner + StationTexts::totalRows(TotalsText::rows(s.rows))).toUtf8().constData(),
                           formats.header());
    for (const JournalTotals::Unit &u : s.units) {
        worksheet_write_string(sheet, row, first, StationTexts::sum().toUtf8().constData(), formats.header());
        if (weightCol >= 0) {
            const std::optional<DecimalNumber> sum = DecimalNumber::read(u.sum);
            if (sum)
                worksheet_write_number(sheet, row, lxw_col_t(weightCol), sum->value(), formats.decimals(sum->decimals));
            else
                worksheet_write_string(sheet, row, lxw_col_t(weightCol), u.sum.toUtf8().constData(), nullptr);
        }
        if (unitCol >= 0)
            worksheet_write_string(sheet, row, lxw_col_t(unitCol), cellText(u.unit).constData(), nullptr);
        worksheet_write_string(sheet, row, lxw_col_t(noteCol),
                               (TotalsText::rows(u.rows) + QStringLiteral(", ") + TotalsText::unitFigures(u))
                                   .toUtf8()
                                   .constData(),
                               nullptr);
        ++row;
    }
    if (s.notNumbers > 0)
        worksheet_write_string(sheet, row++, first,
                               StationTexts::notNumbers(TotalsText::rows(s.notNumbers)).toUtf8().constData(),
                               nullptr);
    return row;
}

bool writeTo(const ReportSource &report, const QList<WorkbookExport::Totals> &totals, const QByteArray &file,
             const QByteArray &tmpdir, const WorkbookExport::RowsDone &rowsDone)
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE; // rows go to disk as they are written
    options.tmpdir = const_cast<char *>(tmpdir.constData());
    lxw_workbook *book = workbook_new_opt(file.constData(), &options);
    if (!book)
        return false;
    Formats formats(book);
    lxw_worksheet *sheet = workbook_add_worksheet(book, StationTexts::journal().toUtf8().constData());
    const QStringList captions = report.captions();
    QVector<Kind> kinds;
    int weightCol = -1;
    int unitCol = -1;
    int noteCol = int(captions.size()) - 1;
    for (int c = 0; c < captions.size(); ++c) {
        kinds << kindOf(captions.at(c));
        worksheet_write_string(sheet, 0, lxw_col_t(c), cellText(captions.at(c)).constData(), formats.header());
        if (captions.at(c) == JournalLayout::weighing().at(1).caption)
            weightCol = c;
        if (captions.at(c) == JournalLayout::weighing().at(2).caption)
            unitCol = c;
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), kinds.last() == Kind::Time ? 20 : 12, nullptr);
    }
    worksheet_set_column(sheet, lxw_col_t(noteCol), lxw_col_t(noteCol), 30, nullptr);

    const TimeReader times(JournalTime::programLocale());
    const int rows = report.rowCount();
    for (int r = 0; r < rows; ++r) {
        if (r % RowsPerStep == 0 && rowsDone && !rowsDone(r)) {
            lxw_workbook_free(book);
            return false;
        }
        const lxw_row_t row = lxw_row_t(r + 1);
        for (int c = 0; c < captions.size(); ++c) {
            const QString text = report.cell(r, c);
            if (text.isEmpty())
                continue;
            if (kinds[c] == Kind::Number) {
                if (const std::optional<DecimalNumber> n = DecimalNumber::read(text)) {
                    worksheet_write_number(sheet, row, lxw_col_t(c), n->value(), formats.decimals(n->decimals));
                    continue;
                }
            } else if (kinds[c] == Kind::Time) {
                // Date and time apart: a QDateTime would look up the time
                // zone for every cell.
                QDate d;
                QTime h;
                if (times.read(text, d, h)) {
                    lxw_datetime dt{d.year(), d.month(), d.day(), h.hour(), h.minute(), h.second() + h.msec() / 1000.0};
                    worksheet_write_datetime(sheet, row, lxw_col_t(c), &dt, formats.time());
                    continue;
                }
            }
            const QByteArray trimmed = cellText(text);
            if (!trimmed.isEmpty())
                worksheet_write_string(sheet, row, lxw_col_t(c), trimmed.constData(), nullptr);
        }
    }

    if (!report.complete()) {
        lxw_workbook_free(book);
        return false;
    }
    lxw_row_t row = lxw_row_t(rows + 2);
    for (const WorkbookExport::Totals &t : totals)
        row = writeTotals(sheet, row, t, weightCol, unitCol, noteCol, formats);
    return workbook_close(book) == LXW_NO_ERROR;
}

} // namespace

namespace WorkbookExport {

bool write(const ReportSource &report, const QList<Totals> &totals, const QString &path,
           const RowsDone &rowsDone)
{
    // Written beside the target and put in its place only when complete.
    const QFileInfo target(path);
    QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    if (!temp.open())
        return false;
    temp.close();
    const QByteArray tmpdir = QFile::encodeName(QDir::tempPath());
    if (!writeTo(report, totals, QFile::encodeName(temp.fileName()), tmpdir, rowsDone))
        return false;
    if (QFile::exists(path) && !QFile::remove(path))
        return false;
    if (!temp.rename(path))
        return false;
    temp.setAutoRemove(false);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return true;
}

} // namespace WorkbookExport

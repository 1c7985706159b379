// The journal file reader on any file content, into the journal of any scale
// type: every line becomes a row holding the line's fields, the screen gets no
// more of a cell than it can show, and what is written back reads back as the
// same rows. Input: one byte for the scale type, then the file.
#include "FuzzSupport.h"

#include "common/AnsiText.h"
#include "files/JournalFile.h"
#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"

namespace {

QStringList cellsOf(const JournalGrid &grid)
{
    QStringList rows;
    for (int r = 1; r < grid.Rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid.Cols(); ++c)
            cells.append(grid.TextMatrix(r, c));
        rows.append(cells.join(QLatin1Char('\t')));
    }
    return rows;
}

// The rows the file's lines make, worked out on their own: a line per LF, a
// CR before it dropped, a last line without LF counted; the number, then the
// first fields up to the layout's width.
QStringList expectedRows(const QByteArray &file, int dataColumns)
{
    QList<QByteArray> lines = file.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    QStringList rows;
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        line.replace('\r', ' ');
        QList<QByteArray> fields = line.split('\t');
        while (fields.size() < dataColumns)
            fields.append(QByteArray());
        QStringList cells{QString::number(rows.size() + 1)};
        for (int c = 0; c < dataColumns; ++c)
            cells.append(AnsiText::decode(fields[c]));
        rows.append(cells.join(QLatin1Char('\t')));
    }
    return rows;
}

void load(JournalGrid &grid, int type, const QString &path)
{
    const std::optional<QStringList> rows = JournalFile::readRows(path);
    require(rows.has_value(), "a file that exists is read");
    JournalLayout::apply(JournalLayout::forType(type, {}), grid);
    grid.addItems(*rows);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const int type = in.byte() % 6;
    const QByteArray file = in.rest();

    JournalGrid grid;
    load(grid, type, scratchFile(QStringLiteral("read.txt"), file));
    require(cellsOf(grid) == expectedRows(file, grid.Cols() - 1), "every line is a row of its fields");

    for (int r = 1; r < grid.Rows(); ++r) {
        for (int c = 1; c < grid.Cols(); ++c) {
            const QString shown = grid.data(grid.indexOf(r, c), Qt::DisplayRole).toString();
            require(shown.size() <= JournalGrid::MaxShownLength && grid.TextMatrix(r, c).startsWith(shown),
                    "a cell shows the start of its text");
        }
    }

    const QString written = scratchFile(QStringLiteral("written.txt"), QByteArray());
    require(JournalFile::write(grid, written, QStringLiteral("\t")).ok, "the journal is written");
    JournalGrid back;
    load(back, type, written);
    require(cellsOf(back) == cellsOf(grid), "written rows read back unchanged");
    return 0;
}

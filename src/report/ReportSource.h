#pragma once

#include <QString>
#include <QStringList>

// What a printed or exported report is made of: its heading lines, the
// captions and rows of its table, and its totals' lines. Rows are asked for
// from the first to the last (a sparse pass to measure them, then every
// one), so a source may read them in order from elsewhere.
class ReportSource
{
public:
    virtual ~ReportSource() = default;
    virtual QStringList headerLines() const = 0;
    virtual QStringList captions() const = 0;
    virtual int rowCount() const = 0;
    virtual QString cell(int row, int column) const = 0;
    virtual QStringList totalLines() const = 0;
    // False once a row could not be read (a source that reads them from
    // elsewhere): what was made of it is incomplete and is not kept.
    virtual bool complete() const { return true; }
};

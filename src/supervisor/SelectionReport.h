#pragma once

#include "report/ReportSource.h"
#include "supervisor/CentralRows.h"
#include "central/PgConnection.h"
#include "supervisor/ReadingFilter.h"
#include "supervisor/SelectionTotalsText.h"

#include <QDateTime>

// A selection of the central journal as a report, for the exports: every
// row the filter selects, not only those the window holds, with the
// station's name first (and whether it was deleted, when deleted ones are
// shown), and the selection's totals. It reads on the thread that uses it,
// through a connection of its own, in one read-only snapshot, so that the
// rows counted, the rows read and the totals agree while stations go on
// committing; rows are read a page at a time through a cursor as they are
// asked for, so that memory holds one page whatever the selection's size.
class SelectionReport : public ReportSource
{
public:
    SelectionReport(const ReadingFilter &filter, const QDateTime &now, const QStringList &header,
                    PgConnection::Duration answerTimeout = PgConnection::Duration(30000), int pageRows = 1000);

    // Connects, takes the snapshot, counts the rows and reads the totals;
    // false with error() when it cannot.
    bool open(const QString &conninfo);
    QString error() const { return m_error; }

    QStringList headerLines() const override { return m_header; }
    QStringList captions() const override;
    int rowCount() const override { return m_rowCount; }
    QString cell(int row, int column) const override;
    QStringList totalLines() const override;
    bool complete() const override { return m_error.isEmpty(); }

    const QList<SelectionTotal> &totals() const { return m_totals; }

private:
    bool readFrom(int row) const;

    ReadingFilter m_filter;
    QDateTime m_now;
    QStringList m_header;
    int m_pageRows;
    QStringList m_selection;
    mutable PgConnection m_db;
    int m_rowCount = 0;
    QList<SelectionTotal> m_totals;
    // The page held: rows m_first … m_first + size - 1.
    mutable QList<CentralRow> m_page;
    mutable int m_first = 0;
    mutable bool m_cursorOpen = false;
    mutable QString m_error;
};

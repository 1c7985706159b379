#pragma once

#include "journal/JournalSnapshot.h"
#include "report/ReportSource.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// What a printed or exported journal holds besides its rows: where it comes
// from, when it was made, and its totals. It holds the journal as it was
// when made, so that a job may read it on another thread.
struct JournalReport : ReportSource {
    JournalReport(JournalSnapshot journal, QString fileName, QString scaleType, QDateTime printed, QStringList totals);

    JournalSnapshot journal;
    QString fileName;                  // the current file, or "Новый"
    QString scaleType;                 // the scale type's name
    QDateTime printed;
    QStringList totals; // TotalsText::lines of the whole journal

    // "Журнал: ...", "Весы: ...", "Дата печати: ...".
    QStringList headerLines() const override;
    // The captions of the data columns.
    QStringList captions() const override;
    int rowCount() const override { return journal.rowCount(); }
    // The cell as the journal shows it (the whole text).
    QString cell(int row, int column) const override;
    QStringList totalLines() const override { return totals; }
};

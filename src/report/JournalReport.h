#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class QAbstractItemModel;

// What a printed or exported journal holds besides its rows: where it comes
// from, when it was made, and its totals.
struct JournalReport {
    const QAbstractItemModel &journal; // captions as its horizontal header
    QString fileName;                  // the current file, or "Новый"
    QString scaleType;                 // the scale type's name
    QDateTime printed;
    QStringList totals; // TotalsText::lines of the whole journal

    // "Журнал: ...", "Весы: ...", "Дата печати: ...".
    QStringList headerLines() const;
    // The captions of the data columns.
    QStringList captions() const;
    // The cell as the journal shows it (the whole text).
    QString cell(int row, int column) const;
};

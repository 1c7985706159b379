#include "report/JournalReport.h"

#include "link/JournalTime.h"

#include <QAbstractItemModel>

QStringList JournalReport::headerLines() const
{
    return {QStringLiteral("Журнал: ") + fileName, QStringLiteral("Весы: ") + scaleType,
            QStringLiteral("Дата печати: ") + JournalTime::text(printed, JournalTime::programLocale())};
}

QStringList JournalReport::captions() const
{
    QStringList out;
    for (int c = 0; c < journal.columnCount(); ++c)
        out << journal.headerData(c, Qt::Horizontal).toString();
    return out;
}

QString JournalReport::cell(int row, int column) const
{
    return journal.data(journal.index(row, column), Qt::DisplayRole).toString();
}

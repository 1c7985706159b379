#include "journal/JournalLayout.h"

#include "common/ScaleTypes.h"
#include "journal/JournalGrid.h"

namespace JournalLayout {

QString noteCaption()
{
    return QStringLiteral("Примечание");
}

QVector<JournalColumn> weighing()
{
    return {
        {QStringLiteral("NomPP"), QStringLiteral("№ п.п "), 900, true},
        {QStringLiteral("Weight"), QStringLiteral("Вес "), 800, true},
        {QStringLiteral("Unit"), QStringLiteral("Ед. изм."), 1000, true},
        {QStringLiteral("Stat"), QStringLiteral("Статус"), 1000, true},
        {QStringLiteral("Time"), QStringLiteral("Время"), 1600, true},
        {QStringLiteral("Prim"), noteCaption(), 2000, true},
    };
}

QVector<JournalColumn> counting()
{
    return {
        {QStringLiteral("NomPP"), QStringLiteral("№ п.п "), 900, true},
        {QStringLiteral("Weight"), QStringLiteral("Вес "), 800, false},
        {QStringLiteral("Unit"), QStringLiteral("Ед. изм."), 1000, false},
        {QStringLiteral("Stat"), QStringLiteral("Статус"), 1000, true},
        {QStringLiteral("Kol"), QStringLiteral("Колич. "), 1000, true},
        {QStringLiteral("UnitWeight"), QStringLiteral("Вес 1 шт. "), 1200, true},
        {QStringLiteral("Time"), QStringLiteral("Время"), 1600, true},
        {QStringLiteral("Prim"), noteCaption(), 2000, true},
    };
}

QVector<JournalColumn> forType(int type, const QVector<JournalColumn> &previous)
{
    if (const ScaleType *scale = ScaleTypes::at(type))
        return scale->counting() ? counting() : weighing();
    return previous.isEmpty() ? weighing() : previous;
}

void apply(const QVector<JournalColumn> &columns, JournalGrid &grid)
{
    grid.Clear();
    grid.setRows(1);
    grid.setCols(int(columns.size()) + 1);
    for (int c = 1; c < grid.Cols(); ++c) {
        const JournalColumn &column = columns[c - 1];
        grid.setTextMatrix(0, c, column.caption);
        grid.setColWidth(c, column.width);
        grid.setColRightAligned(c, column.rightAligned);
    }
    grid.setColWidth(0, PositionColumnWidth);
    grid.setCurrentCell(0, 0);
}

} // namespace JournalLayout

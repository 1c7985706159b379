#include "journal/JournalLayout.h"

#include "common/ScaleTypes.h"
#include "journal/JournalGrid.h"
#include "journal/JournalTexts.h"

namespace JournalLayout {

QString noteCaption()
{
    return JournalTexts::noteCaption();
}

QVector<JournalColumn> weighing()
{
    return {
        {QStringLiteral("NomPP"), JournalTexts::positionCaption(), 900, true},
        {QStringLiteral("Weight"), JournalTexts::weightCaption(), 800, true},
        {QStringLiteral("Unit"), JournalTexts::unitCaption(), 1000, true},
        {QStringLiteral("Stat"), JournalTexts::statusCaption(), 1000, true},
        {QStringLiteral("Time"), JournalTexts::timeCaption(), 1600, true},
        {QStringLiteral("Prim"), noteCaption(), 2000, true},
    };
}

QVector<JournalColumn> counting()
{
    return {
        {QStringLiteral("NomPP"), JournalTexts::positionCaption(), 900, true},
        {QStringLiteral("Weight"), JournalTexts::weightCaption(), 800, false},
        {QStringLiteral("Unit"), JournalTexts::unitCaption(), 1000, false},
        {QStringLiteral("Stat"), JournalTexts::statusCaption(), 1000, true},
        {QStringLiteral("Kol"), JournalTexts::quantityCaption(), 1000, true},
        {QStringLiteral("UnitWeight"), JournalTexts::pieceWeightCaption(), 1200, true},
        {QStringLiteral("Time"), JournalTexts::timeCaption(), 1600, true},
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

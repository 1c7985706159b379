#include "journal/GridSnapshot.h"

#include "journal/JournalGrid.h"

void SaveGridDataToArr(const JournalGrid &grid, GridArray &journalCells)
{
    journalCells = GridArray(grid.Cols(), QVector<std::optional<QString>>(grid.Rows()));
    for (int r = 1; r < grid.Rows(); ++r) {
        for (int c = 1; c < grid.Cols(); ++c)
            journalCells[c - 1][r] = grid.TextMatrix(r, c);
    }
}

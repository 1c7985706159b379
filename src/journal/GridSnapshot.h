#pragma once

#include <QString>
#include <QVector>

#include <optional>

class JournalGrid;

// The journal apart from the grid, indexed [data column][row]: element
// (k, r) holds the text of grid cell (r, k + 1). An element that no cell
// reached is empty (nullopt), unlike an empty cell's text.
using GridArray = QVector<QVector<std::optional<QString>>>;

// Re-dimensions journalCells to Cols x Rows, discarding what it held, and
// copies every journal row into it; the header row and the position column
// are not copied, so row 0 and the last column stay untouched.
void SaveGridDataToArr(const JournalGrid &grid, GridArray &journalCells);

#pragma once

#include <QString>
#include <QVector>

class JournalGrid;

// One data column of the journal: its key, header caption, width in twips
// and alignment (right-centre or left-centre).
struct JournalColumn {
    QString key;
    QString caption;
    int width = 0;
    bool rightAligned = true;
};

namespace JournalLayout {

// The caption that marks the note column: found by caption, never by index.
QString noteCaption();

// Width of the position column in twips.
constexpr int PositionColumnWidth = 500;
// Minimum row height in twips.
constexpr int RowHeight = 285;

// Weighing scale types: number, weight, unit, status, time, note.
QVector<JournalColumn> weighing();
// Counting scale types: also quantity and weight of one piece.
QVector<JournalColumn> counting();

// The columns of a scale type; for a type that does not exist the previous set,
// or the weighing set when there is none yet.
QVector<JournalColumn> forType(int type, const QVector<JournalColumn> &previous);

// Empties the journal (header row only) and lays out the given columns:
// captions, widths in twips, alignments, the position column; the current
// cell becomes (0, 0).
void apply(const QVector<JournalColumn> &columns, JournalGrid &grid);

} // namespace JournalLayout

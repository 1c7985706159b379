#pragma once

#include <QString>
#include <QVector>

// The results, one row per figure beside its reference, printed as a
// Markdown table (docs/performance.md takes it as it is).
class Table
{
public:
    struct Row {
        QString measurement;
        QString figure;    // what was measured, with its unit
        QString reference; // what it is measured against, with its unit
        QString ratio;     // figure / reference where that means something
        QString target;
        bool met = true;
    };

    void add(Row row);
    void print() const;

private:
    QVector<Row> m_rows;
};

// Numbers as the table shows them.
QString micros(double seconds);
QString millis(double seconds);
QString ratioText(double figure, double reference);

#include "Table.h"

#include <cstdio>

void Table::add(Row row)
{
    m_rows.append(std::move(row));
    const Row &r = m_rows.last();
    // Each figure shows as soon as it is known: a full run takes a while.
    std::fprintf(stderr, "bench: %s: %s (reference %s) %s\n", qPrintable(r.measurement), qPrintable(r.figure),
                 qPrintable(r.reference), r.met ? "" : "MISSED");
}

void Table::print() const
{
    std::printf("\n| measurement | figure | reference | ratio | target | met |\n|---|---|---|---|---|---|\n");
    for (const Row &r : m_rows)
        std::printf("| %s | %s | %s | %s | %s | %s |\n", qPrintable(r.measurement), qPrintable(r.figure),
                    qPrintable(r.reference), qPrintable(r.ratio), qPrintable(r.target),
                    r.target.isEmpty() ? "" : r.met ? "yes" : "**no**");
    std::fflush(stdout);
}

QString micros(double seconds)
{
    return QString::number(seconds * 1e6, 'f', 1) + QStringLiteral(" µs");
}

QString millis(double seconds)
{
    return QString::number(seconds * 1e3, 'f', 1) + QStringLiteral(" ms");
}

QString ratioText(double figure, double reference)
{
    return reference > 0 ? QString::number(figure / reference, 'f', 2) + QStringLiteral("×") : QStringLiteral("–");
}

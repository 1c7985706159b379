#include "support/LinkRig.h"

#include "common/AnsiText.h"

void LinkRig::decode(QByteArrayView bytes)
{
    link.ReadFrom_Unit(AnsiText::decode(bytes));
}

QString LinkRig::row(int r) const
{
    QStringList cells;
    for (int c = 1; c < journal.Cols(); ++c)
        cells << journal.TextMatrix(r, c);
    return cells.join(QLatin1Char('\t'));
}

#include "report/TotalsText.h"

namespace TotalsText {

QString rows(qint64 n)
{
    const qint64 tens = n % 100;
    const qint64 ones = n % 10;
    const char *word = "строк";
    if (ones == 1 && tens != 11)
        word = "строка";
    else if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        word = "строки";
    return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(word);
}

QString unitFigures(const JournalTotals::Unit &u)
{
    const int d = u.decimals;
    QString unit = u.unit.isEmpty() ? QString() : QLatin1Char(' ') + u.unit;
    QString text = QStringLiteral("сумма %1%2, среднее %3, мин. %4, макс. %5, ст. откл. %6")
                       .arg(u.sum, unit, decimalCommaText(u.mean, d), decimalCommaText(u.min, d),
                            decimalCommaText(u.max, d), decimalCommaText(u.stdDev, d));
    if (u.counting)
        text += QStringLiteral(", количество ") + u.quantitySum;
    return text;
}

namespace {

QStringList parts(const JournalTotals::Summary &s)
{
    QStringList out;
    if (s.units.size() == 1) {
        out << unitFigures(s.units.constFirst());
    } else {
        for (const JournalTotals::Unit &u : s.units)
            out << (u.unit.isEmpty() ? QStringLiteral("без ед.") : u.unit) + QStringLiteral(": ") + rows(u.rows)
                    + QStringLiteral(", ") + unitFigures(u);
    }
    if (s.notNumbers > 0)
        out << QStringLiteral("вес не число: ") + rows(s.notNumbers);
    return out;
}

} // namespace

QString line(const JournalTotals::Summary &s, bool selected)
{
    QString text = QStringLiteral("Итого: ") + (selected ? QStringLiteral("выделено ") : QString()) + rows(s.rows);
    const QStringList p = parts(s);
    if (!p.isEmpty())
        text += (s.units.size() == 1 ? QStringLiteral(", ") : QStringLiteral("; ")) + p.join(QStringLiteral("; "));
    return text;
}

QStringList lines(const JournalTotals::Summary &s)
{
    return QStringList{QStringLiteral("Итого: ") + rows(s.rows)} + parts(s);
}

} // namespace TotalsText

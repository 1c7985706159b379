#include "report/TotalsText.h"

#include "report/ReportTexts.h"

namespace TotalsText {

QString rows(qint64 count)
{
    const qint64 tens = count % 100;
    const qint64 ones = count % 10;
    const char *word = "строк";
    if (ones == 1 && tens != 11)
        word = "строка";
    else if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        word = "строки";
    return QString::number(count) + QLatin1Char(' ') + QString::fromUtf8(word);
}

QString unitFigures(const JournalTotals::Unit &figures)
{
    const int decimals = figures.decimals;
    QString unit = figures.unit.isEmpty() ? QString() : QLatin1Char(' ') + figures.unit;
    QString text = QStringLiteral("сумма %1%2, среднее %3, мин. %4, макс. %5, ст. откл. %6")
                       .arg(figures.sum, unit, decimalCommaText(figures.mean, decimals),
                            decimalCommaText(figures.min, decimals), decimalCommaText(figures.max, decimals),
                            decimalCommaText(figures.stdDev, decimals));
    if (figures.counting)
        text += QStringLiteral(", количество ") + figures.quantitySum;
    return text;
}

namespace {

QStringList parts(const JournalTotals::Summary &summary)
{
    QStringList out;
    if (summary.units.size() == 1) {
        out << unitFigures(summary.units.constFirst());
    } else {
        for (const JournalTotals::Unit &figures : summary.units)
            out << (figures.unit.isEmpty() ? ReportTexts::noUnit() : figures.unit) + QStringLiteral(": ")
                    + rows(figures.rows) + QStringLiteral(", ") + unitFigures(figures);
    }
    if (summary.notNumbers > 0)
        out << QStringLiteral("вес не число: ") + rows(summary.notNumbers);
    return out;
}

} // namespace

QString line(const JournalTotals::Summary &summary, bool selected)
{
    QString text = QStringLiteral("Итого: ") + (selected ? QStringLiteral("выделено ") : QString()) + rows(summary.rows);
    const QStringList p = parts(summary);
    if (!p.isEmpty())
        text += (summary.units.size() == 1 ? QStringLiteral(", ") : QStringLiteral("; ")) + p.join(QStringLiteral("; "));
    return text;
}

QStringList lines(const JournalTotals::Summary &summary)
{
    return QStringList{QStringLiteral("Итого: ") + rows(summary.rows)} + parts(summary);
}

} // namespace TotalsText

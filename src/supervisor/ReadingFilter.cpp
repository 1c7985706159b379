#include "supervisor/ReadingFilter.h"

#include <QUuid>

#include <algorithm>

namespace {

QString utcText(const QDateTime &t)
{
    return t.isValid() ? t.toUTC().toString(Qt::ISODateWithMs) : QString();
}

} // namespace

std::pair<QDateTime, QDateTime> ReadingFilter::interval(const QDateTime &now) const
{
    switch (period) {
    case Period::All:
        return {};
    case Period::Today:
        return {QDateTime(now.date(), QTime(0, 0)), QDateTime(now.date().addDays(1), QTime(0, 0))};
    case Period::Range:
        return {from, to};
    case Period::Shift:
        break;
    }
    QList<QTime> starts = shiftStarts;
    if (starts.isEmpty())
        return {QDateTime(now.date(), QTime(0, 0)), QDateTime(now.date().addDays(1), QTime(0, 0))};
    std::sort(starts.begin(), starts.end());
    // The starts of yesterday, today and tomorrow, in order: the shift is
    // the last of them at or before now, up to the one after it.
    QList<QDateTime> candidates;
    for (int day = -1; day <= 1; ++day) {
        for (const QTime &t : starts)
            candidates.append(QDateTime(now.date().addDays(day), t));
    }
    int i = int(candidates.size()) - 1;
    while (i > 0 && candidates[i] > now)
        --i;
    return {candidates[i], candidates[i + 1]};
}

QStringList ReadingFilter::sqlParameters(const QDateTime &now) const
{
    QStringList uuids;
    for (const QString &s : stations) {
        const QUuid id(s);
        if (!id.isNull())
            uuids.append(id.toString(QUuid::WithoutBraces));
    }
    const auto [begin, end] = interval(now);
    return {uuids.isEmpty() ? QString() : QLatin1Char('{') + uuids.join(QLatin1Char(',')) + QLatin1Char('}'),
            utcText(begin), utcText(end),
            noteContains.isEmpty() ? QString() : noteContains,
            unit.trimmed().isEmpty() ? QString() : unit.trimmed()};
}

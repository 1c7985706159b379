#pragma once

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QTime>

// What the supervisor selects: stations (none: all), a period in the
// supervisor's local time, a text the note contains, a unit, and whether
// deleted readings are shown.
struct ReadingFilter {
    enum class Period { All, Today, Shift, Range };
    QStringList stations; // UUIDs
    Period period = Period::All;
    QList<QTime> shiftStarts{QTime(8, 0), QTime(20, 0)};
    QDateTime from, to; // Period::Range, local time; an invalid end is open
    QString noteContains;
    QString unit;
    bool withDeleted = false;

    // The period as [from, to) at the local time `now`; invalid ends are
    // open. Today is midnight to midnight; a shift runs from the latest
    // start at or before `now` (yesterday's last one after midnight) to the
    // next start.
    std::pair<QDateTime, QDateTime> interval(const QDateTime &now) const;

    // The parameters of tarovik.selected_readings: stations, from, to,
    // note, unit (NULL where they do not filter), with times in UTC.
    QStringList sqlParameters(const QDateTime &now) const;
};

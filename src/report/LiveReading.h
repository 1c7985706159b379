#pragma once

#include "link/ScaleReading.h"

#include <QString>

// What the big display shows of the line: the latest decoded reading and
// whether data has stopped coming. Times are milliseconds of a monotonic
// clock, given by the caller.
class LiveReading
{
public:
    // Nothing decoded for this long while reception is on: "Нет данных".
    static constexpr qint64 SilenceMs = 2000;

    void decoded(const ScaleReading &reading, qint64 nowMs);
    // Reception switched on: the silence is counted from now.
    void receptionStarted(qint64 nowMs) { m_since = nowMs; }

    bool noData(bool receptionOn, qint64 nowMs) const;
    bool hasReading() const { return m_has; }
    // The weight with a decimal comma, or its text as sent when it is no
    // number.
    QString weight() const { return m_weight; }
    // A weight text as weight() shows it: the board shows every weight so.
    static QString shownWeight(const QString &text);
    QString unit() const { return m_unit; }
    bool stable() const { return m_stable; }

private:
    bool m_has = false;
    QString m_weight;
    QString m_unit;
    bool m_stable = true;
    qint64 m_since = 0; // the latest reading, or reception switched on
};

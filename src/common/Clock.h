#pragma once

#include <QDateTime>

// The local date and time, as the journal rows and the data-stream entries
// stamp them; tests set their own.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // now() without its milliseconds, for stamps that show none.
    virtual QDateTime nowToTheSecond() const;
    // now() with the local offset fixed, for stamps sent elsewhere in UTC.
    virtual QDateTime nowWithOffset() const;
};

// Looking the local time up makes the C library look at the time-zone file
// again, a system call, at every reading sixty times a second. A zone's
// offset changes only between whole seconds, so the local time of a second is
// looked up once.
class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    QDateTime nowToTheSecond() const override;
    QDateTime nowWithOffset() const override;

private:
    void lookUp(qint64 second) const;

    mutable qint64 m_second = -1; // since the epoch
    mutable QDateTime m_local;
    mutable int m_offset = 0; // from UTC, in seconds
};

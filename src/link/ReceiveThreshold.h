#pragma once

#include <QObject>

#include <functional>

// The receive-threshold rule of a serial line: reached() when at least
// threshold() bytes wait (0 disables it), after data arrived or after a read
// left data behind. A read that leaves a whole frame waiting so gets a further
// event without new data; that event follows from the event loop, never from
// inside the read. Shared by the real line and the test fake.
class ReceiveThreshold : public QObject
{
    Q_OBJECT

public:
    using Count = std::function<qint64()>;

    // waiting() tells how many bytes wait to be read.
    explicit ReceiveThreshold(Count waiting, QObject *parent = nullptr);

    void setThreshold(int threshold);
    int threshold() const { return m_threshold; }

    // Data arrived or was read: check once the event loop runs again. Calls
    // before that check coalesce into one.
    void poke();
    // Data arrived, told by the port's own notification: checked at once,
    // which spares a reading a turn of the event loop (see
    // SerialLine::commEvent for what its receivers may do there).
    void arrived();

signals:
    void reached();

private:
    void check();

    Count m_waiting;
    int m_threshold = 0;
    bool m_pending = false;
};

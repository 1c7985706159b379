#pragma once

#include <QObject>

#include <functional>

// The receive-threshold rule of a serial line: after data arrived, or after a
// read left data behind, reached() follows from the event loop when at least
// threshold() bytes wait (0 disables it). A read that leaves a whole frame
// waiting so gets a further event without new data, and the event is never
// raised from inside a read or from inside the port's own notification, whose
// handler may process events. Shared by the real line and the test fake.
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

signals:
    void reached();

private:
    void check();

    Count m_waiting;
    int m_threshold = 0;
    bool m_pending = false;
};

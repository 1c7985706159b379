#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

// Keeps reception on across a lost line. While reception is on, a line the
// device took away (an adapter pulled out, the device gone) is reopened from
// a timer, once a second, until it opens again; reception then goes on with
// no click. Stopping reception, or closing the program, ends the retries. A
// port that did not open at the start of reception is not retried.
class LineKeeper : public QObject
{
    Q_OBJECT

public:
    enum class State {
        Off,       // reception is off
        Receiving, // the port is open and read
        Waiting,   // the line was lost; retrying until it is back
    };
    Q_ENUM(State)

    static constexpr int RetryMs = 1000;

    // reopen opens the port of the settings with the scale type's profile,
    // silently; true when it is open. status sets the status bar's text.
    LineKeeper(std::function<bool()> reopen, std::function<void(const QString &)> status,
               QObject *parent = nullptr);

    State state() const { return m_state; }
    // Reception was started: receiving when the port opened, else off.
    void started(bool open);
    // Reception was stopped (or the program closes): no more retries.
    void stopped();
    // The line went away while the port was open.
    void lost();

    void setRetryInterval(int ms) { m_retry.setInterval(ms); }

signals:
    void stateChanged(LineKeeper::State state);

private:
    void retry();
    void setState(State state);

    std::function<bool()> m_reopen;
    std::function<void(const QString &)> m_status;
    QTimer m_retry;
    State m_state = State::Off;
};

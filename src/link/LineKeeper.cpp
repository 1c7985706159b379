#include "link/LineKeeper.h"

#include "link/LinkTexts.h"

LineKeeper::LineKeeper(std::function<bool()> reopen, std::function<void(const QString &)> status, QObject *parent)
    : QObject(parent)
    , m_reopen(std::move(reopen))
    , m_status(std::move(status))
{
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &LineKeeper::retry);
}

void LineKeeper::started(bool open)
{
    setState(open ? State::Receiving : State::Off);
}

void LineKeeper::stopped()
{
    setState(State::Off);
}

void LineKeeper::lost()
{
    if (m_state != State::Receiving)
        return;
    setState(State::Waiting);
    m_status(LinkTexts::lineLost());
}

void LineKeeper::retry()
{
    if (m_state != State::Waiting || !m_reopen())
        return;
    setState(State::Receiving);
    m_status(LinkTexts::lineBack());
}

void LineKeeper::setState(State state)
{
    if (state == State::Waiting)
        m_retry.start();
    else
        m_retry.stop();
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

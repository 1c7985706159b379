#include "VirtualScale.h"

#include "link/FrameLayout.h"
#include "pty/PseudoTerminal.h"

#include <cstdio>

namespace {

constexpr qint64 LineBytesPerSecond = 960; // 9600 baud, 10 bits a byte
constexpr int IdlePollMs = 20;             // waiting for a listener
// A program clears its input once it has opened and set up the port: a
// frame sent in between would be lost before reception began. The scale
// waits for that clearing, this long at most (a listener may never clear).
constexpr qint64 ClearWaitMs = 1000;
constexpr int ClearPollMs = 2;
constexpr int LingerPollMs = 10;
constexpr qint64 LingerMs = 500;           // waiting for the last ACKs
// Without ACKs to wait for, the line stays up this long after the last frame:
// hanging up flushes what the port has not read yet, so the frames counted as
// sent would never arrive.
constexpr qint64 DrainMs = 200;

} // namespace

VirtualScale::VirtualScale(PseudoTerminal &line, FrameCycle frames, Options options,
                           QObject *parent)
    : QObject(parent)
    , m_line(line)
    , m_frames(std::move(frames))
    , m_options(options)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &VirtualScale::tick);
}

void VirtualScale::start()
{
    m_timer.start(0);
}

void VirtualScale::stop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    m_lingerClock.start();
    m_timer.start(0);
}

void VirtualScale::tick()
{
    readAcks();
    if (m_stopping) {
        linger();
        return;
    }
    const bool allSent = m_options.count > 0 && m_sent >= m_options.count;
    if (allSent && m_options.stayAfterCount) {
        m_timer.start(IdlePollMs); // only the ACKs still count
        return;
    }
    if (!m_line.peerOpen()) {
        m_clock.invalidate();
        m_listenerSince.invalidate();
        m_line.takeInputCleared(); // a clearing belongs to the listener that did it
        m_timer.start(IdlePollMs);
        return;
    }
    if (!m_clock.isValid()) {
        if (!m_listenerSince.isValid())
            m_listenerSince.start();
        if (!m_line.takeInputCleared() && m_listenerSince.elapsed() < ClearWaitMs) {
            m_timer.start(ClearPollMs);
            return;
        }
        m_clock.start();
        m_dueNs = 0;
    }
    send();
    if (m_options.count > 0 && m_sent >= m_options.count && !m_options.stayAfterCount) {
        stop();
        return;
    }
    const qint64 waitMs = (m_dueNs - m_clock.nsecsElapsed()) / 1000000;
    m_timer.start(int(qMax<qint64>(0, waitMs)));
}

void VirtualScale::send()
{
    const QByteArray frame = m_frames.next();
    if (m_line.write(frame, 1000)) {
        ++m_sent;
        emit sent();
    } else if (!m_warned) {
        m_warned = true;
        std::fprintf(stderr, "virtual_scale: the line is stalled (nobody reads), frames are lost\n");
    }
    m_dueNs += m_options.intervalMs > 0 ? qint64(m_options.intervalMs) * 1000000
                                        : frame.size() * 1000000000 / LineBytesPerSecond;
}

void VirtualScale::readAcks()
{
    const QByteArray answer = m_line.readAvailable();
    m_acks += answer.count(FrameLayouts::ACK);
}

void VirtualScale::linger()
{
    const bool done = m_options.expectAcks ? m_acks >= m_sent : m_lingerClock.elapsed() >= DrainMs;
    if (done || !m_line.peerOpen() || m_lingerClock.elapsed() >= LingerMs) {
        emit finished();
        return;
    }
    m_timer.start(LingerPollMs);
}

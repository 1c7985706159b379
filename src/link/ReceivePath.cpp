#include "link/ReceivePath.h"

#include "common/AnsiText.h"
#include "common/Clock.h"
#include "common/SerialLine.h"
#include "common/UserMessages.h"
#include "link/DataStreamLog.h"
#include "link/FrameLayout.h"
#include "link/LinkTexts.h"

#include <algorithm>

ReceivePath::ReceivePath(SerialLine &line, DataStreamLog &log, const Clock &clock, UserMessages &messages,
                         Decoder decode, QObject *parent)
    : QObject(parent)
    , m_line(line)
    , m_log(log)
    , m_clock(clock)
    , m_messages(messages)
    , m_decode(std::move(decode))
{
    m_deferral.setSingleShot(true);
    m_deferral.setInterval(DeferralMs);
    connect(&m_deferral, &QTimer::timeout, this, &ReceivePath::handleWaitingChunks);
}

void ReceivePath::MSComm1_OnComm(int code)
{
    switch (code) {
    case SerialLine::EvReceive:
        // Only a timer starts here: the event may come from inside the port's
        // own notification. A handling that runs takes every whole frame that
        // waits when it ends.
        if (!m_handling && !m_deferral.isActive())
            m_deferral.start();
        break;
    case SerialLine::EvBreak:
    case SerialLine::EvDeviceLost: // the line closed the port
        warnLinkBroken();
        break;
    default:
        break;
    }
}

void ReceivePath::handleWaitingChunks()
{
    m_handling = true;
    while (frameWaiting() && handleChunk()) {
    }
    m_handling = false;
}

// A port closed meanwhile holds nothing; a frame handled already with the one
// before it leaves less than a frame.
bool ReceivePath::frameWaiting() const
{
    return m_line.portOpen() && m_line.inBufferCount() >= std::max(1, m_line.rThreshold());
}

bool ReceivePath::handleChunk()
{
    const QByteArray bytes = m_line.input();
    if (bytes.isEmpty())
        return false; // a line that does not give what it holds
    if (bytes.contains(FrameLayouts::ENQ))
        m_line.output(QByteArray(1, FrameLayouts::ACK));
    const QString chunk = AnsiText::decode(bytes);
    m_log.add(chunk, m_clock.nowToTheSecond().time()); // the entry shows seconds
    m_decode(chunk);
    return true;
}

void ReceivePath::warnLinkBroken()
{
    // Not waited on: readings go on being recorded while it is up.
    m_messages.notify(LinkTexts::linkBroken(), UserMessages::Icon::Warning);
}

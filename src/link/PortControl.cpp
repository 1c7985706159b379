#include "link/PortControl.h"

#include "common/ScaleTypes.h"
#include "common/SerialLine.h"
#include "common/UserMessages.h"
#include "link/LinkTexts.h"
#include "settings/LiveSettings.h"

#include <chrono>
#include <thread>

namespace {

const QString LineSettingsText = QStringLiteral("9600,N,8,1");

} // namespace

PortControl::PortControl(SerialLine &line, const LiveSettings &settings, UserMessages &messages)
    : m_line(line)
    , m_settings(settings)
    , m_messages(messages)
{
}

int PortControl::PreparePort(int portNumber)
{
    if (m_line.portOpen())
        m_line.setPortOpen(false);
    m_portRefused = false;
    m_openFailure = 0;
    if (const int code = m_line.setCommPort(portNumber)) {
        m_portRefused = true;
        return code;
    }

    int failure = 0;
    auto step = [&failure](int code) {
        if (code != 0)
            failure = code;
    };
    if (const ScaleType *scale = ScaleTypes::at(m_settings.scaleTypeIndex())) {
        const PortProfile &profile = scale->port;
        const int length = scale->frame.frameLength;
        step(m_line.setSettings(LineSettingsText));
        // Input is always text: one character per received byte.
        if (profile.inputLenFirst)
            step(m_line.setInputLen(length));
        step(m_line.setRThreshold(length));
        if (!profile.inputLenFirst)
            step(m_line.setInputLen(length));
        if (profile.setsBufferSize)
            step(m_line.setInBufferSize(length));
        m_openFailure = m_line.setPortOpen(true);
        step(m_openFailure);
    }
    if (m_line.portOpen())
        m_line.input();
    return failure;
}

bool PortControl::prepareConfiguredPort()
{
    const std::optional<int> number = m_settings.portNumber();
    if (number)
        PreparePort(*number);
    else
        m_line.setPortOpen(false);
    if (number && !m_portRefused)
        return true;
    m_messages.inform(LinkTexts::badPortNumber(m_settings.portText()),
                      UserMessages::Icon::Warning);
    return false;
}

bool PortControl::reopenQuietly()
{
    const std::optional<int> number = m_settings.portNumber();
    if (!number)
        return false;
    PreparePort(*number);
    return m_line.portOpen();
}

void PortControl::StartReading()
{
    if (!prepareConfiguredPort())
        return;
    Pause(0.01f);
    if (!m_line.portOpen()) {
        // Held by another program, most often a second copy of this one
        // started in its own folder: the operator is told why.
        m_messages.inform(QStringLiteral("Port is closed!")
                          + (m_openFailure == SerialLine::ErrPortUnavailable ? QStringLiteral("\r\n") + LinkTexts::portHeld()
                                                                               : QString()));
        return;
    }
    m_line.input();
}

void PortControl::StopReading()
{
    if (!m_line.portOpen())
        return;
    m_line.setBreak(true);
    m_line.setPortOpen(false);
}

void PortControl::Pause(float seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<float>(seconds));
}

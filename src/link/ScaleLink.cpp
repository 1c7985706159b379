#include "link/ScaleLink.h"

#include "common/SerialLine.h"
#include "common/UserMessages.h"
#include "link/FrameDecoder.h"
#include "link/LinkTexts.h"
#include "settings/LiveSettings.h"

ScaleLink::ScaleLink(Surroundings s, QObject *parent)
    : QObject(parent)
    , m_line(s.line)
    , m_settings(s.settings)
    , m_messages(s.messages)
    , m_status(s.window.setStatusText)
    , m_port(s.line, s.settings, s.messages)
    , m_recorder(s.journal, s.settings, s.clock, s.beeper,
                 {s.window.noteText, [this](const QString &text) { m_status.afterReading(text); },
                  s.window.beforeRecording, s.window.readingId})
    , m_receive(s.line, m_log, s.clock, s.messages, [this](const QString &chunk) { ReadFrom_Unit(chunk); })
    , m_keeper([this] { return m_port.reopenQuietly(); }, [this](const QString &text) { m_status.lineNews(text); })
{
    // The warning of a lost line is not left up once reception goes on.
    connect(&m_keeper, &LineKeeper::stateChanged, this, [this](LineKeeper::State state) {
        if (state == LineKeeper::State::Receiving)
            m_messages.withdraw(LinkTexts::linkBroken());
    });
}

void ScaleLink::StartReading()
{
    m_port.StartReading();
    m_keeper.started(m_line.portOpen());
}

void ScaleLink::StopReading()
{
    m_keeper.stopped();
    m_port.StopReading();
}

void ScaleLink::MSComm1_OnComm(int code)
{
    // Retries are under way before the warning is up.
    if (code == SerialLine::EvDeviceLost)
        m_keeper.lost();
    m_receive.MSComm1_OnComm(code);
}

void ScaleLink::ReadFrom_Unit(const QString &chunk)
{
    if (!FrameDecoder::startsFrame(chunk)) {
        // A port that does not open again is a lost line; a port text that
        // is wrong now was explained and ends reception.
        if (!m_port.prepareConfiguredPort())
            m_keeper.stopped();
        else if (!m_line.portOpen())
            m_keeper.lost();
        return;
    }
    const std::optional<float> deadZone = m_settings.deadZone();
    if (!deadZone) {
        m_keeper.stopped();
        m_line.setPortOpen(false);
        m_messages.inform(LinkTexts::wrongScaleType(),
                          UserMessages::Icon::Warning);
        return;
    }
    const FrameLayout *layout = FrameLayouts::forType(m_settings.scaleTypeIndex());
    if (!layout)
        return;
    const ScaleReading reading = FrameDecoder::split(chunk, *layout);
    emit decoded(reading);
    m_recorder.RecordReading(reading, *deadZone);
}

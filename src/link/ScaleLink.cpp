#include "link/ScaleLink.h"

#include "common/UserMessages.h"
#include "link/FrameDecoder.h"
#include "common/SerialLine.h"
#include "settings/LiveSettings.h"

ScaleLink::ScaleLink(Surroundings s, QObject *parent)
    : QObject(parent)
    , m_line(s.line)
    , m_settings(s.settings)
    , m_messages(s.messages)
    , m_port(s.line, s.settings, s.messages)
    , m_recorder(s.journal, s.settings, s.clock, s.beeper, std::move(s.window))
    , m_receive(s.line, m_log, s.clock, s.messages, [this](const QString &chunk) { ReadFrom_Unit(chunk); })
{
}

void ScaleLink::ReadFrom_Unit(const QString &strInput)
{
    if (!FrameDecoder::startsFrame(strInput)) {
        m_port.prepareConfiguredPort();
        return;
    }
    const std::optional<float> deadZone = FrameDecoder::deadZone(m_settings.luftText());
    if (!deadZone) {
        m_line.setPortOpen(false);
        m_messages.inform(QStringLiteral("Произошла ошибка!\r\nПроверте выбранный тип весов."),
                          UserMessages::Icon::Warning);
        return;
    }
    const FrameLayout *layout = FrameLayouts::forType(ScaleTypes::fromText(m_settings.scaleTypeText()));
    if (layout)
        m_recorder.RecordReading(FrameDecoder::split(strInput, *layout), *deadZone);
}
